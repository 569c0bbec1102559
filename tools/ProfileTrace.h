// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_PROFILETRACE_H
#define ORYXUTIL_TOOLS_PROFILETRACE_H

// A profile read back for oryx-profile: the timed spans of a trace file
// (Chrome's trace event format: a JSON array, possibly cut short by a crash,
// or an object with "traceEvents"; "X" events and "B"/"E" pairs) or, best
// effort, of the profiler's text lines (its "Elapsed[...]" lines, nesting
// taken from their indent, one anonymous thread). Each span knows its
// parent on its thread, its self time and its stack ("outer;inner").
// Times are microseconds. Names come back as valid UTF-8 (U+FFFD for
// malformed bytes). Pure; one thread at a time per object.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace oryxtool {

struct Span {
  std::string name;
  long pid = 0;
  long tid = 0;
  double start = 0;     // microseconds
  double duration = 0;  // microseconds
  double self = 0;      // duration less the time of its children
  int depth = 0;        // 0: no parent on its thread
  std::string stack;    // the names from the outermost, joined by ';'
};

struct Profile {
  std::vector<Span> spans;                         // by thread, then start
  std::map<std::pair<long, long>, std::string> threadNames;  // (pid, tid) -> name
  uint64_t dropped = 0;                            // events the program dropped
  bool legacy = false;                             // read from text lines
};

// Reads the file `path` ("-": standard input); false with `error` set when
// it cannot be read or holds neither form.
bool readProfile(const std::string& path, Profile& profile, std::string& error);
// The same from the file's bytes.
bool readProfileText(const std::string& text, Profile& profile, std::string& error);

// "name (tid)" or "tid" for a thread.
std::string threadLabel(const Profile& profile, long pid, long tid);

}  // namespace oryxtool

#endif
