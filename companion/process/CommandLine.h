// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_COMMANDLINE_H
#define ORYXUTIL_COMPANION_COMMANDLINE_H

// Splits a Windows-style command line into words without any shell: blanks
// and tabs separate words, double quotes group and are removed (an
// unterminated quote runs to the end of the line), every other character,
// "$", "`", "&", "|", ">" and the backslash included, is plain text. The
// unquoted words ">nul", "1>nul", "2>nul" and "2>&1" (any case) are taken
// out as redirections; every other word is an argument.

#include "companion/process/Process.h"

#include <string>
#include <vector>

namespace oryx {

struct CommandLine {
  std::vector<std::string> words;
  StreamTarget output = StreamTarget::Inherited;  // fd 1: Inherited or Discarded
  StreamTarget errors = StreamTarget::Inherited;  // fd 2: ToOutput means the caller's fd 1
};

CommandLine parseCommandLine(const std::string& line);

}  // namespace oryx

#endif
