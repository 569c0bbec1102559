// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORBCFG_ARGVBUILD_H
#define ORYXUTIL_ORBCFG_ARGVBUILD_H

// The argument vector handed to the ORB: the caller's arguments, joined by
// ACE with environment substitution on, followed by the ORB option text; the
// whole line is split again by ACE (blanks separate words, quotes group, the
// first $NAME of a word is substituted). A caller's word that holds a blank
// (after substitution) is quoted as it is joined, so it comes back whole;
// without blanks the line is ACE's own join.
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

// `word` as it must stand in the line for ACE's splitter to give it back as
// one word: as it is when it holds no white space (so such lines stay as
// they always were), else in double quotes, inner quotes escaped.
std::string wholeWord(const std::string& word);

ACE_ARGV_T<char>* buildOrbArgv(char** argv, const std::string& options,
                               const std::vector<NamedText>& sources);

// Where ACE's splitter cuts `line` short: the offset of the quote it cannot
// close, 0 for a line starting with "#"; npos when it splits the whole line.
size_t cutPoint(const std::string& line);

}  // namespace oryx

#endif
