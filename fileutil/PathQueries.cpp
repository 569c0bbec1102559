// SPDX-License-Identifier: Apache-2.0
// The path tests of oRYXFileUtil and its trivial special members.
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "oryxutil/companion/OS.h"

#include <sys/stat.h>

using oryx::kOk;
using oryx::kFailed;
using oryx::kIsDirectory;
using oryx::kNotDirectory;

oRYXFileUtil::oRYXFileUtil() {}
oRYXFileUtil::~oRYXFileUtil() {}
oRYXFileUtil& oRYXFileUtil::operator=(const oRYXFileUtil&) { return *this; }

int oRYXFileUtil::removeLastSeparator(const std::string& path, std::string& out) {
  if (path.empty()) return kFailed;
  if (path.back() == '\\') {
    out.assign(path, 0, path.size() - 1);
  } else {
    out = path;
  }
  return kOk;
}

int oRYXFileUtil::isDir(const std::string& path, const char* encoding) {
  std::string stripped;
  if (removeLastSeparator(path, stripped) != kOk) return kFailed;
  struct ::stat record;
  if (ORYX_OS::stat(stripped.c_str(), &record, encoding) != 0) return kFailed;
  return (record.st_mode & S_IFMT) == S_IFDIR ? kIsDirectory : kNotDirectory;
}

bool oRYXFileUtil::isZipFile(const std::string& name) {
  // A literal, not a static string: threads may ask while the process exits.
  static constexpr char kSuffix[] = ".zip";
  if (name.empty()) return false;
  const std::string::size_type found = name.rfind(kSuffix);
  return found != std::string::npos && found + sizeof(kSuffix) - 1 == name.size();
}
