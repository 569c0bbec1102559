// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_TREEREMOVAL_H
#define ORYXUTIL_FILEUTIL_TREEREMOVAL_H

// Removes a directory tree through directory descriptors only (a walk of
// TreeWalk.h, entries removed with unlinkat where they are): an entry
// swapped for a link while the removal runs is removed as a link and never
// entered, so nothing outside the tree can be reached.

#include <string>

namespace oryx {
namespace fileutil {

// Removes the tree at `path` (a native path, relative to the working
// directory unless absolute). The tree's own directory must be a directory,
// not a link to one. 0 when the whole tree went; -1 when `path` is not such a
// directory (or names "/", "." or ".."), cannot be opened, or was not
// emptied (entries that could not be removed stay, and so does the tree).
int removeTree(const std::string& path);

}  // namespace fileutil
}  // namespace oryx

#endif
