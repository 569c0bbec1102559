// zipSpecificDir and zipAllSubDir: one archive per subdirectory, built in the
// parent directory and holding the subdirectory under its relative name.
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "fileutil/Descriptor.h"
#include "fileutil/TreeRemoval.h"
#include "fileutil/WorkingDirectory.h"
#include "fileutil/ZipArchiver.h"

#include <vector>

using namespace oryx::fileutil;
using oryx::kOk;
using oryx::kFailed;
using oryx::kLaterStepFailed;
using oryx::kIsDirectory;

namespace {

// In the working directory (the parent): packs the subdirectory `sub` into
// the new archive `archive` and removes the subdirectory when asked. Both are
// native names; an existing archive is never added to or replaced.
int packDirectory(const std::string& sub, const std::string& archive, bool deleteAfter) {
  if (mayExist(archive)) return kFailed;
  // The subdirectory is named, not matched: "*" or "?" in it are its own bytes.
  if (!packWithArchiver(archive, {sub}, NameMatching::Literal)) return kFailed;
  if (deleteAfter && removeTree(sub) != kOk) return kLaterStepFailed;
  return kOk;
}

}  // namespace

int oRYXFileUtil::zipSpecificDir(const char* parent, const char* sub, const char* zipName, bool deleteAfter,
                                 const char* encoding) {
  if (parent == nullptr || sub == nullptr || zipName == nullptr || *parent == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(parent)) return kFailed;
  if (*sub == '\0') return kFailed;

  std::string strippedParent;
  std::string strippedSub;
  removeLastSeparator(parent, strippedParent);
  removeLastSeparator(sub, strippedSub);
  if (isDir(strippedParent + "\\" + strippedSub, encoding) != kIsDirectory) return kFailed;

  // Named after the subdirectory without its trailing backslash, the archive
  // lands beside the directory, never inside it (delete-after would take it).
  const std::string archiveText = *zipName != '\0' ? std::string(zipName) : strippedSub;
  std::string nativeSub;
  std::string nativeArchive;
  if (!oryx::nativePath(strippedSub.c_str(), encoding, nativeSub) ||
      !oryx::nativePath(archiveText.c_str(), encoding, nativeArchive)) {
    return kFailed;
  }
  return packDirectory(nativeSub, nativeArchive + ".zip", deleteAfter);
}

int oRYXFileUtil::zipAllSubDir(const char* dir, bool deleteAfter, const char* encoding) {
  if (dir == nullptr || *dir == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(dir)) return kFailed;
  // The entries are read from the directory entered and used as their own
  // bytes, whatever the caller's encoding: never mapped, never re-parsed.
  const Descriptor here = openDirectory(AT_FDCWD, ".", false);
  if (!here.isOpen()) return kFailed;

  // The subdirectories first, then the packing: the archives made and the
  // subdirectories removed never change the listing being read. A link to
  // a directory is not a subdirectory of this one and is left alone.
  std::vector<std::string> subdirectories;
  EntryReader reader(here.get());
  while (const char* name = reader.next()) {
    struct ::stat record;
    if (entryStatus(here.get(), name, record) && S_ISDIR(record.st_mode)) subdirectories.push_back(name);
  }
  for (const std::string& name : subdirectories) {
    const int result = packDirectory(name, name + ".zip", deleteAfter);
    if (result != kOk) return result;
  }
  return kOk;
}
