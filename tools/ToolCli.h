// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_TOOLCLI_H
#define ORYXUTIL_TOOLS_TOOLCLI_H

// What the tools share on their command line: --version with the library's
// version, option errors as one line "TOOL: reason", and the end of a run on
// standard output, whose write errors are reported, never lost.

#include <CLI/CLI.hpp>

#include <string>

namespace oryxtool {

const int kExitOk = 0;
const int kExitFailed = 1;
const int kExitUsage = 2;
const int kKeepGoing = -1;

// Adds --version and the one-line error format to `app`. Also puts
// /dev/null, opened the wrong way round, on a closed standard stream
// (0, 1, 2): no file the tool opens can then take its number, and using the
// stream fails with EBADF, which is reported like any other error.
void setUpCommandLine(CLI::App& app, const char* tool);

// Parses the command line: kKeepGoing, or the exit status to stop with
// (--help and --version printed, or a bad option reported).
int parseCommandLine(CLI::App& app, int argc, char** argv);

// Flushes standard output: `status`, or kExitFailed after reporting
// "TOOL: standard output: reason" when a write failed.
int finishStdout(const char* tool, int status);

// `text` with every control character shown as "?", so that it stays on one line.
std::string printable(std::string text);

// "TOOL: what: reason" on standard error, one line.
void report(const char* tool, const std::string& what, const std::string& reason);

}  // namespace oryxtool

#endif
