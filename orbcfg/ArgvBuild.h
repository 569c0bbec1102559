#ifndef ORYXUTIL_ORBCFG_ARGVBUILD_H
#define ORYXUTIL_ORBCFG_ARGVBUILD_H

// The argument vector handed to the ORB: the caller's arguments, joined by
// ACE with environment substitution on and no quoting, followed by the ORB
// option text; the whole line is split again by ACE (blanks separate words,
// quotes group, the first $NAME of a word is substituted).
// Result: a new vector owned by the caller, null when it cannot be allocated.
// A word that ACE splits out empty ("" or '' in a value, a $NAME set to the
// empty text) is dropped: the ORB would take it as a missing option argument.

#include <ace/ARGV.h>

#include <string>

namespace oryx {

ACE_ARGV_T<char>* buildOrbArgv(char** argv, const std::string& options);

}  // namespace oryx

#endif
