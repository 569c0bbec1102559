// SPDX-License-Identifier: Apache-2.0
// delDir and the removals of the zip operations: a directory tree removed
// through descriptors (see TreeRemoval.h).
#include "fileutil/TreeRemoval.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "companion/io/DirectoryReader.h"
#include "fileutil/TreeWalk.h"
#include "oryxutil/fileutil/FileUtil.h"

#include <cerrno>

namespace oryx {
namespace fileutil {

namespace {

// Removes everything it meets: a non-directory is unlinked where it is, a
// directory once read to its end.
class RemoveAll : public TreeVisitor {
 public:
  void visitEntry(int dirFd, const std::string&, const char* name, const struct ::stat&) override {
    ::unlinkat(dirFd, name, 0);
  }
  void leaveDirectory(int dirFd, const std::string&, const char* name, const struct ::stat&, bool) override {
    ::unlinkat(dirFd, name, AT_REMOVEDIR);
  }
};

}  // namespace

int removeTree(const std::string& path) {
  std::string trimmed(path);
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::string::size_type slash = trimmed.rfind('/');
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (name.empty() || isDotOrDotDot(name.c_str())) return kFailed;
  const std::string holder = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);

  const Descriptor parent = openDirectory(AT_FDCWD, holder.c_str(), false);
  if (!parent.isOpen()) return kFailed;
  RemoveAll removal;
  if (!walkTree(parent.get(), name, removal)) return kFailed;
  // A tree not emptied is still there and shows in the result.
  struct ::stat record;
  return entryStatus(parent.get(), name.c_str(), record) ? kFailed : kOk;
}

}  // namespace fileutil
}  // namespace oryx

int oRYXFileUtil::delDir(const char* dir, const char* encoding) {
  std::string native;
  if (dir == nullptr || *dir == '\0' || !oryx::nativePath(dir, encoding, native)) {
    return oryx::kFailed;
  }
  return oryx::fileutil::removeTree(native);
}
