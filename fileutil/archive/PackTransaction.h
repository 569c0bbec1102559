// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_ARCHIVE_PACKTRANSACTION_H
#define ORYXUTIL_FILEUTIL_ARCHIVE_PACKTRANSACTION_H

// One zip operation as one transaction that never loses a file:
//  1. the name set is decided before anything else (NameSet.h);
//  2. the archive is built in a staging directory private to the call
//     (mkdtemp, named with the caller's pid), so no call sees, replaces or
//     clears another's files; leftovers of killed callers are recovered;
//  3. the archive's central directory is read and must hold every original
//     with its recorded size;
//  4. the archive and the staging directory are synced, the archive moved
//     into place without replacing anything, the destination directory
//     synced;
//  5. only then are the originals removed, each only if unchanged.
// Results: Failed (nothing removed, the staging place cleared), Packed, or
// PackedSomeKept (originals that changed or appeared stay on disk).
// The working directory must not change during a call. Threads: calls on
// different threads or processes may run at once, also on the same names.

#include "companion/io/Descriptor.h"
#include "fileutil/archive/NameSet.h"

#include <string>
#include <vector>

namespace oryx {
namespace fileutil {

enum class PackOutcome { Failed, Packed, PackedSomeKept };

// A staging directory private to one call, made with mkdtemp below `root`
// (made when missing) after the leftovers of killed callers there were
// recovered. Removed with all it holds when the call ends.
class StagingPlace {
 public:
  explicit StagingPlace(const std::string& root);
  ~StagingPlace();
  StagingPlace(const StagingPlace&) = delete;
  StagingPlace& operator=(const StagingPlace&) = delete;

  bool isOpen() const { return m_dir.isOpen(); }
  int fd() const { return m_dir.get(); }
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
  Descriptor m_dir;
};

// Packs `names` into `destination` (relative to the working directory, with
// its ".zip") through `staging`. Fails before packing when anything exists
// at `destination`. Originals are removed only when `removeOriginals` is set.
PackOutcome packTransaction(StagingPlace& staging, NameSet& names, const std::string& destination,
                            bool removeOriginals);

// True when something is, or may be, at `path`: an entry of any kind, a
// dangling link included, or a status unreadable for another reason than
// absence.
bool mayExist(const std::string& path);

// A private staging directory's name begins with this; listings of the
// zip operations leave such directories alone.
constexpr char kStagingPrefix[] = ".oryx-zip-";

// Test seam: the deletion steps run so far, and how many of them found the
// archive or a directory not yet synced (and so removed nothing).
struct DeletionAudit {
  unsigned steps;
  unsigned unsynced;
};
DeletionAudit deletionAudit();

}  // namespace fileutil
}  // namespace oryx

#endif
