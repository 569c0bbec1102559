// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_ARCHIVE_ARCHIVER_H
#define ORYXUTIL_FILEUTIL_ARCHIVE_ARCHIVER_H

// The archiving step of the zip operations, in the job's own terms: literal
// names in, a new zip archive with exactly those entries out.
//
// - `names` are paths relative to `directory` (the working directory when
//   empty), each a regular file, a symbolic link (stored as a link, never
//   followed) or a directory holding only such entries (stored with all it
//   holds); never a pattern, never read as an option. Each is stored under
//   that path.
// - `archive` is a native path to a new file in an existing directory that
//   only this call uses (the caller's private staging place).
// - Result: true when the archive was written. On false the backend has
//   removed whatever it wrote there; the names are untouched either way.
// - Bounded: a backend that stalls longer than its time limit is stopped and
//   fails. It neither syncs nor checks the archive: the caller does both.
// - Threads: any thread; the directory must not change meanwhile.
//
// A second backend is one more implementation of this class; its tests are
// the zip contract suite run once more.

#include <string>
#include <vector>

namespace oryx {
namespace fileutil {

class Archiver {
 public:
  virtual ~Archiver() {}
  virtual bool pack(const std::string& archive, const std::string& directory,
                    const std::vector<std::string>& names) = 0;
};

// The backend the zip operations use: the external program 7za on PATH,
// stopped after ORYX_ZIP_TIMEOUT_S seconds (default 3600).
Archiver& zipArchiver();

}  // namespace fileutil
}  // namespace oryx

#endif
