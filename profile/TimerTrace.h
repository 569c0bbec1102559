// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_TIMERTRACE_H
#define ORYXUTIL_PROFILE_TIMERTRACE_H

// The named timers in the trace: a stopped timer as a complete event on the
// thread that stopped it (from its start to its stop, on the zones' clock),
// a timestamp as an instant.
// Nothing happens (beyond one flag read) unless OX_PROFILE_TRACE is set.
// Threads: any thread.

#include "profile/TraceCollector.h"
#include "profile/ZoneBuffer.h"

#include <cstdint>
#include <string>

namespace oryx {
namespace profile {
namespace trace {

// The trace's clock now, read at a timer's start and stop (0 when not tracing).
inline uint64_t timerClock() { return on() ? nowNs() : 0; }

inline void timerStopped(const std::string& name, uint64_t start, uint64_t end) {
  if (start == 0 || end == 0) return;
  if (const char* interned = intern(name)) record(EventKind::kTimer, interned, start, end - start);
}

inline void timestampWritten(const std::string& name) {
  if (!on()) return;
  if (const char* interned = intern(name)) record(EventKind::kInstant, interned, nowNs(), 0);
}

}  // namespace trace
}  // namespace profile
}  // namespace oryx

#endif
