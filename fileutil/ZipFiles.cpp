// zipSpecificFile and runZipCmd: files of one directory packed through the
// staging directory %ORYX_ROOT%\var\tmp, deleted, and the archive moved in.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/ArchiveNaming.h"
#include "fileutil/CommandFormat.h"
#include "fileutil/ResultCodes.h"
#include "fileutil/WorkingDirectory.h"
#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/OS.h"

using namespace oryx::fileutil;

namespace {

const int kHighestOption = 777;

}  // namespace

int oRYXFileUtil::zipSpecificFile(const char* dir, const char* files, const char* zipName, int option,
                                  const char* encoding) {
  if (dir == nullptr || files == nullptr || zipName == nullptr || *dir == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(dir)) return kFailed;
  const std::string list(files);
  if (list.empty()) return kFailed;

  const std::string fileText = fileListCommandText(list);
  std::string archive(zipName);
  if (archive.empty() && !archiveNameFromList(list, archive) &&
      !archiveNameFromDirectory(dir, list, encoding, archive)) {
    return kFailed;
  }
  return runZipCmd(fileText.c_str(), archive, option, encoding) == kOk ? kOk : kFailed;
}

int oRYXFileUtil::runZipCmd(const char* fileText, const std::string& zipName, int option,
                            const char* encoding) {
  // Within the range the option changes nothing.
  if (option < 0 || option > kHighestOption) return kFailed;
  const std::string root = oRYXCommonUtils::oRYXgetenv("ORYX_ROOT");
  if (root.empty()) return kFailed;
  // Given no names, 7za would pack the whole working directory.
  if (fileText == nullptr || std::string(fileText).find_first_not_of(" \t") == std::string::npos) {
    return kFailed;
  }

  std::string pack;
  std::string remove;
  std::string move;
  if (!formatCommand(pack, kFileCommandSize, "7za a \"%s\\var\\tmp\\%s.zip\" %s >nul 2>&1", root.c_str(),
                     zipName.c_str(), fileText) ||
      !formatCommand(remove, kFileCommandSize, "del /Q %s", fileText) ||
      !formatCommand(move, kFileCommandSize, "move \"%s\\var\\tmp\\%s.zip\"  .", root.c_str(),
                     zipName.c_str())) {
    return kFailed;
  }
  if (ORYX_OS::system(pack.c_str(), encoding) != 0) return kFailed;
  // Once packed, the operation has succeeded whatever the clean-up does.
  ORYX_OS::system(remove.c_str(), encoding);
  ORYX_OS::system(move.c_str(), encoding);
  return kOk;
}
