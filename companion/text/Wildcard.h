// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_TEXT_WILDCARD_H
#define ORYXUTIL_COMPANION_TEXT_WILDCARD_H

// The one wildcard rule of the library, as the Windows command interpreter
// reads a pattern: "*" matches any run (the empty one too), "?" exactly one
// character, every other byte itself. A pattern ending in ".*" also matches
// names without an extension, so "*.*" and "*" match every name. A character
// is one UTF-8 sequence when the whole name is valid UTF-8, else one byte.
// Pure functions: any thread.

#include <string>

namespace oryx {

// True when `name` as a whole matches `pattern`.
bool matchesWildcard(const std::string& pattern, const std::string& name);

// True when `text` holds "*" or "?": a pattern, not a literal name.
bool hasWildcard(const std::string& text);

}  // namespace oryx

#endif
