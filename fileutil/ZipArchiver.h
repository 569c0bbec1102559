#ifndef ORYXUTIL_FILEUTIL_ZIPARCHIVER_H
#define ORYXUTIL_FILEUTIL_ZIPARCHIVER_H

// Runs the external archiver 7za for the zip operations. Every name reaches
// 7za as exactly one argument word, after "--", so no name is ever read as a
// switch ("-sdel", "-p...", "-x!...") or a list-file reference ("@list"), and
// nothing is formatted into a command line and split again. 7za runs in the
// working directory with no input and its output discarded.

#include <string>
#include <vector>

namespace oryx {
namespace fileutil {

// How 7za reads the names it is given.
enum class NameMatching {
  Literal,   // each name is exactly one file or directory name
  Wildcards  // "*" and "?" match, as 7za expands them
};

// True when something is, or may be, at `path` (a native path): an entry of
// any kind, a dangling link included, or a status that cannot be read for
// another reason than its absence. The zip operations refuse such an archive
// name rather than have 7za add to or replace what is there.
bool mayExist(const std::string& path);

// Packs `names` into the new zip archive `archive` (a native path with its
// ".zip"; missing directories above it are created by 7za). `names` must not
// be empty: given no names 7za would pack the whole working directory.
// True when 7za exited with 0. Otherwise (a warning, an error, 7za missing or
// killed) whatever 7za left of the archive beside it is removed: the entries
// of the archive's directory that begin with the archive's file name and
// were not there before.
bool packWithArchiver(const std::string& archive, const std::vector<std::string>& names,
                      NameMatching matching);

}  // namespace fileutil
}  // namespace oryx

#endif
