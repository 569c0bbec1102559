// zipSpecificDir and zipAllSubDir: one archive per subdirectory, built in the
// parent directory and holding the subdirectory under its relative name.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/CommandFormat.h"
#include "fileutil/DirHandle.h"
#include "fileutil/ResultCodes.h"
#include "fileutil/WorkingDirectory.h"
#include "oryxutil/companion/OS.h"

#include <cstring>

using namespace oryx::fileutil;

int oRYXFileUtil::zipSpecificDir(const char* parent, const char* sub, const char* zipName, bool deleteAfter,
                                 const char* encoding) {
  if (parent == nullptr || sub == nullptr || zipName == nullptr || *parent == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(parent)) return kFailed;
  if (*sub == '\0') return kFailed;

  const bool hasBlank = std::strchr(sub, ' ') != nullptr;
  std::string strippedParent;
  std::string strippedSub;
  removeLastSeparator(parent, strippedParent);
  removeLastSeparator(sub, strippedSub);
  const std::string fullPath = strippedParent + "\\" + strippedSub;
  if (isDir(fullPath, encoding) != kIsDirectory) return kFailed;

  // Named after the subdirectory without its trailing backslash, the archive
  // lands beside the directory, never inside it (delete-after would take it).
  const std::string archive = *zipName != '\0' ? std::string(zipName) : strippedSub;
  const std::string packed = hasBlank ? "\"" + strippedSub + "\"" : strippedSub;
  std::string command;
  if (!formatCommand(command, kDirCommandSize, "7za a \"%s.zip\" %s >nul 2>&1", archive.c_str(),
                     packed.c_str())) {
    return kFailed;
  }
  if (ORYX_OS::system(command.c_str(), encoding) != 0) return kFailed;
  if (deleteAfter && delDir(fullPath.c_str(), encoding) != kOk) return kLaterStepFailed;
  return kOk;
}

int oRYXFileUtil::zipAllSubDir(const char* dir, bool deleteAfter, const char* encoding) {
  if (dir == nullptr || *dir == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(dir)) return kFailed;
  DirHandle handle(dir, encoding);
  if (!handle.isOpen()) return kFailed;
  std::string stripped;
  removeLastSeparator(dir, stripped);

  std::string path;
  while (const ACE_DIRENT* entry = handle.next()) {
    path.assign(stripped).append(1, '\\').append(entry->d_name);
    // Subdirectories are recognised with the name taken as UTF-8.
    if (isDir(path, "UTF-8") != kIsDirectory) continue;
    const std::string name(entry->d_name);
    const int result = zipSpecificDir(dir, name.c_str(), name.c_str(), deleteAfter, encoding);
    if (result != kOk) return result;
  }
  return kOk;
}
