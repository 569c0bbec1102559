// SPDX-License-Identifier: Apache-2.0
// zipSpecificFile and runZipCmd: files of one directory packed through a
// private staging directory below %ORYX_ROOT%\var\tmp, the archive moved
// in, then the packed files deleted (see archive/PackTransaction.h).
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "companion/process/CommandLine.h"
#include "fileutil/ArchiveNaming.h"
#include "fileutil/WorkingDirectory.h"
#include "fileutil/archive/PackTransaction.h"
#include "oryxutil/companion/CommonUtils.h"

#include <vector>

using namespace oryx::fileutil;
using oryx::kOk;
using oryx::kFailed;

namespace {

const int kHighestOption = 777;

// In the working directory: packs the regular files `words` name or match
// into the new archive `archive`.zip here, staged below %ORYX_ROOT%/var/tmp,
// and deletes those that are unchanged. An archive already here is never
// added to or replaced: -1 before anything is packed. The deletion's outcome
// does not change the result.
int packThroughStaging(const std::vector<std::string>& words, const std::string& archive, int option,
                       const char* encoding) {
  // Within the range the option changes nothing.
  if (option < 0 || option > kHighestOption) return kFailed;
  const std::string root = oRYXCommonUtils::oRYXgetenv("ORYX_ROOT");
  std::string nativeRoot;
  if (root.empty() || !oryx::nativePath(root.c_str(), encoding, nativeRoot)) return kFailed;

  const std::string::size_type slash = archive.rfind('/');
  const std::string destination = (slash == std::string::npos ? archive : archive.substr(slash + 1)) + ".zip";
  NameSet names;
  if (destination == ".zip" || mayExist(destination) || !names.addFiles(words)) return kFailed;
  StagingPlace staging(nativeRoot + "/var/tmp");
  const PackOutcome outcome = packTransaction(staging, names, destination, true);
  return outcome == PackOutcome::Failed ? kFailed : kOk;
}

}  // namespace

int oRYXFileUtil::zipSpecificFile(const char* dir, const char* files, const char* zipName, int option,
                                  const char* encoding) {
  if (dir == nullptr || files == nullptr || zipName == nullptr || *dir == '\0') return kFailed;
  WorkingDirectory workingDirectory(encoding);
  if (!workingDirectory.enter(dir)) return kFailed;
  std::string list;
  if (*files == '\0' || !oryx::toUtf8(files, encoding, list)) return kFailed;

  // Names and archive names the caller wrote are paths: their backslashes
  // are separators. A name taken from the directory is used as it is.
  std::vector<std::string> names = fileListWords(list);
  for (std::string& name : names) name = oryx::nativePath(name);
  std::string archive;
  if (*zipName != '\0') {
    if (!oryx::nativePath(zipName, encoding, archive)) return kFailed;
  } else if (archiveNameFromList(list, archive)) {
    archive = oryx::nativePath(archive);
  } else if (!archiveNameFromDirectory(list, archive)) {
    return kFailed;
  }
  return packThroughStaging(names, archive, option, encoding) == kOk ? kOk : kFailed;
}

int oRYXFileUtil::runZipCmd(const char* fileText, const std::string& zipName, int option,
                            const char* encoding) {
  // The text is split like a command line (blanks separate, double quotes
  // group); each resulting word is then one name.
  std::string text;
  std::string archive;
  if (fileText == nullptr || !oryx::toUtf8(fileText, encoding, text) ||
      !oryx::nativePath(zipName.c_str(), encoding, archive)) {
    return kFailed;
  }
  std::vector<std::string> names = oryx::parseCommandLine(text).words;
  for (std::string& name : names) name = oryx::nativePath(name);
  return packThroughStaging(names, archive, option, encoding);
}
