// SPDX-License-Identifier: Apache-2.0
// ORYX_OS::system: Windows-style command lines run without any shell, so no
// text of the line (file names included) is ever interpreted as a command.
#include "oryxutil/companion/OS.h"

#include "companion/process/BuiltinCommands.h"
#include "companion/process/CommandLine.h"
#include "companion/os/NativePath.h"
#include "companion/process/Process.h"

#include <strings.h>

#include <string>
#include <vector>

namespace ORYX_OS {

int system(const char* command, const char* encoding) {
  std::string text;
  if (!oryx::toUtf8(command, encoding, text)) return -1;
  oryx::CommandLine line = oryx::parseCommandLine(text);
  if (line.words.empty()) return -1;
  for (std::string& word : line.words) word = oryx::nativePath(word);

  const std::string& program = line.words[0];
  const std::vector<std::string> arguments(line.words.begin() + 1, line.words.end());
  if (::strcasecmp(program.c_str(), "del") == 0) return oryx::deleteFiles(arguments);
  if (::strcasecmp(program.c_str(), "move") == 0) return oryx::moveFile(arguments);
  oryx::ProgramStreams streams;
  streams.output = line.output;
  streams.errors = line.errors;
  return oryx::runProgram(line.words, streams);
}

}  // namespace ORYX_OS
