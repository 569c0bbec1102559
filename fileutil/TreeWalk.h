// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_TREEWALK_H
#define ORYXUTIL_FILEUTIL_TREEWALK_H

// Walks a directory tree through directory descriptors only. Every entry is
// reached from the descriptor of the directory that holds it (openat with
// O_NOFOLLOW|O_DIRECTORY, fstatat without following), so an entry swapped
// for a link while the walk runs is seen as a link and never entered:
// nothing outside the tree can be reached, however the tree changes. The
// walk is a loop, not a recursion, and holds a bounded number of
// descriptors whatever the depth: directories above the deepest few are
// closed and found again through "..", checked by device and inode number.
// Each entry is visited once. Threads: one walk per thread.

#include <sys/stat.h>

#include <string>

namespace oryx {
namespace fileutil {

// What a walk does with the entries it meets. `path` is the entry's path
// from the walk's top ("top", "top/a/b"); `dirFd` the descriptor of the
// directory holding it, `name` its name there.
class TreeVisitor {
 public:
  virtual ~TreeVisitor() {}
  // A directory about to be read (the top included), with its status.
  virtual void enterDirectory(const std::string& path, const struct ::stat& status) {
    (void)path;
    (void)status;
  }
  // A non-directory (a file, a link, a fifo...) with its status just read.
  virtual void visitEntry(int dirFd, const std::string& path, const char* name, const struct ::stat& record) = 0;
  // A directory read to its end (after its entries), the top included;
  // `status` is the directory's own, `emptyWhenRead` true when it held no
  // entry.
  virtual void leaveDirectory(int dirFd, const std::string& path, const char* name, const struct ::stat& status,
                              bool emptyWhenRead) = 0;
};

// Walks the directory `name` in `parentFd` (it must be a directory, not a
// link to one). False when it cannot be opened, or the walk had to stop
// because a directory of the tree was moved away while it ran.
bool walkTree(int parentFd, const std::string& name, TreeVisitor& visitor);

}  // namespace fileutil
}  // namespace oryx

#endif
