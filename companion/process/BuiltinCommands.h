// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_BUILTINCOMMANDS_H
#define ORYXUTIL_COMPANION_BUILTINCOMMANDS_H

// The two interpreter commands the file utilities use, done in-process.
// Arguments are native UTF-8 paths relative to the working directory;
// switches are "/" and one letter ("/Q", "/Y") and change nothing. Neither
// prints anything. Results: 0 success, 1 failure.

#include <string>
#include <vector>

namespace oryx {

// del: removes the regular files named by the arguments, switches left out.
int deleteFiles(const std::vector<std::string>& arguments);

// The files of del, every word a name (none is taken as a switch). A name
// holding "*" or "?" is matched against the entries of its directory by the
// library's wildcard rule (companion/text/Wildcard.h); links, directories and other entries are never removed. 1 when a
// name matched nothing or a removal failed (the others still go).
int deleteNamedFiles(const std::vector<std::string>& names);

// move SRC DEST: renames SRC to DEST, or into DEST when it is a directory;
// across file systems the file is copied (mode and times kept) and the
// original removed. An existing DEST file is replaced, and kept as it was
// when the copy fails.
int moveFile(const std::vector<std::string>& arguments);

// Renames the file `from` to `to` only while nothing exists at `to`: an
// entry that is there, or appears meanwhile, is never replaced and `from`
// then stays. Across file systems the copy is created exclusively before the
// original is removed.
int moveWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace oryx

#endif
