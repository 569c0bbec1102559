// SPDX-License-Identifier: Apache-2.0
// zipSpecificDir and zipAllSubDir: one archive per subdirectory, staged in a
// private directory of the parent, moved in beside the subdirectory, and
// holding the subdirectory under its relative name (see
// archive/PackTransaction.h).
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "companion/io/DirectoryReader.h"
#include "fileutil/WorkingDirectory.h"
#include "fileutil/archive/PackTransaction.h"

#include <cstring>
#include <vector>

using namespace oryx::fileutil;
using oryx::kOk;
using oryx::kFailed;
using oryx::kLaterStepFailed;
using oryx::kIsDirectory;

namespace {

// In the working directory (the parent): packs the subdirectory `sub` into
// the new archive `archive` and removes what was packed and is unchanged
// when asked. Both are native names; an existing archive is never added to
// or replaced. The staging happens here, on the archive's file system.
int packDirectory(const std::string& sub, const std::string& archive, bool deleteAfter) {
  // The subdirectory is named, not matched: "*" or "?" in it are its own bytes.
  if (mayExist(archive)) return kFailed;
  // Staged in a private directory beside the archive, where 7za builds it:
  // no ORYX_ROOT needed, and the move into place never crosses file systems.
  StagingPlace staging(".");
  NameSet names;
  if (!staging.isOpen() || !names.addTree(sub, staging.path() + "/tree")) return kFailed;
  switch (packTransaction(staging, names, archive, deleteAfter)) {
    case PackOutcome::Packed:
      return kOk;
    case PackOutcome::PackedSomeKept:
      return kLaterStepFailed;
    default:
      return kFailed;
  }
}

bool isStagingPlace(const char* name) {
  return std::strncmp(name, kStagingPrefix, sizeof(kStagingPrefix) - 1) == 0;
}

}  // namespace

int oRYXFileUtil::zipSpecificDir(const char* parent, const char* sub, const char* zipName, bool deleteAfter,
                                 const char* encoding) {
  if (parent == nullptr || sub == nullptr || zipName == nullptr || *parent == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(parent)) return kFailed;
  if (*sub == '\0') return kFailed;

  // The parent is entered: the subdirectory is looked up from there, so a
  // relative parent means the same directory as in the other operations.
  std::string strippedSub;
  removeLastSeparator(sub, strippedSub);
  if (isDir(strippedSub, encoding) != kIsDirectory) return kFailed;

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
  const oryx::Descriptor here = oryx::openDirectory(AT_FDCWD, ".", false);
  if (!here.isOpen()) return kFailed;

  // The subdirectories first, then the packing: the archives made and the
  // subdirectories removed never change the listing being read. A link to
  // a directory is not a subdirectory of this one and is left alone.
  std::vector<std::string> subdirectories;
  oryx::DirectoryReader reader(here.get());
  while (const struct dirent* entry = reader.next()) {
    const char* name = entry->d_name;
    struct ::stat record;
    if (!isStagingPlace(name) && oryx::entryStatus(here.get(), name, record) && S_ISDIR(record.st_mode)) {
      subdirectories.push_back(name);
    }
  }
  for (const std::string& name : subdirectories) {
    const int result = packDirectory(name, name + ".zip", deleteAfter);
    if (result != kOk) return result;
  }
  return kOk;
}
