// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_TRACEFORMAT_H
#define ORYXUTIL_PROFILE_TRACEFORMAT_H

// The trace file's bytes: Chrome's trace event format in its JSON array
// form. The file opens with "[\n"; every event is one line ending in ",\n",
// so a file cut short after any line loads in trace viewers as it is. A
// clean end writes one last event without the comma and "]", which makes
// the file strict JSON as well. Times are microseconds with three decimals
// (the nanoseconds of CLOCK_MONOTONIC). Names are JSON-escaped; malformed
// UTF-8 in a name becomes U+FFFD.
// Pure functions appending to `out`; any thread.

#include "profile/ZoneBuffer.h"

#include <cstdint>
#include <string>

namespace oryx {
namespace profile {
namespace trace {

extern const char kTraceHead[];  // "[\n"

// One event line of thread `tid` of process `pid`.
void appendEvent(std::string& out, const Event& event, long pid, long tid);
// Metadata lines ("ph":"M"): the process's and a thread's name, and the
// events a thread dropped so far.
void appendProcessName(std::string& out, long pid, const std::string& name);
void appendThreadName(std::string& out, long pid, long tid, const std::string& name);
void appendDropped(std::string& out, long pid, long tid, uint64_t count);
// The last line of a clean end: the process's dropped events in all, then "]".
void appendTail(std::string& out, long pid, uint64_t dropped);

// `text` as the inside of a JSON string.
void appendJsonText(std::string& out, const char* text);

}  // namespace trace
}  // namespace profile
}  // namespace oryx

#endif
