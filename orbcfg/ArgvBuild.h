// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORBCFG_ARGVBUILD_H
#define ORYXUTIL_ORBCFG_ARGVBUILD_H

// The argument vector handed to the ORB: the caller's arguments, joined by
// ACE with environment substitution on and no quoting, followed by the ORB
// option text; the whole line is split again by ACE (blanks separate words,
// quotes group, the first $NAME of a word is substituted).
// Result: a new vector owned by the caller, null when it cannot be allocated.
// A word that ACE splits out empty ("" or '' in a value, a $NAME set to the
// empty text) is dropped: the ORB would take it as a missing option argument.
// A line that ACE would cut short - a quote it finds unclosed drops that word
// and every later one, a "#" at the very start every word - gives null and
// one warning line on stderr naming the caller's word or the named source
// (a setting, a variable) whose text holds the cut.

#include <ace/ARGV.h>

#include <string>
#include <utility>
#include <vector>

namespace oryx {

// A text put into the options, with the name a warning gives it.
using NamedText = std::pair<std::string, std::string>;

ACE_ARGV_T<char>* buildOrbArgv(char** argv, const std::string& options,
                               const std::vector<NamedText>& sources);

// Where ACE's splitter cuts `line` short: the offset of the quote it cannot
// close, 0 for a line starting with "#"; npos when it splits the whole line.
size_t cutPoint(const std::string& line);

}  // namespace oryx

#endif
