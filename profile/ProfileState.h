// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_PROFILESTATE_H
#define ORYXUTIL_PROFILE_PROFILESTATE_H

// The named timers' process-wide state: the timer table, its lock and the
// indent, created when the library loads. The table is emptied at unload;
// the three are never destroyed, so a thread that still profiles while the
// process exits finds them valid. profileLock is held across fork(), so a
// child never inherits it taken.
// Threads: timerTable and indentSteps only while profileLock is held.

#include <ace/OS_NS_time.h>
#include <ace/Thread_Mutex.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace oryx {
namespace profile {

// One timer: the monotonic clock (ACE_OS::gethrtime, the clock of
// ACE_High_Res_Timer) read at its last start and stop.
struct NamedTimer {
  ACE_hrtime_t start = 0;
  ACE_hrtime_t stop = 0;
  // Started and not stopped since: its span is measured up to now.
  bool running = false;
  // The trace's clock at the last start (0 when not tracing).
  uint64_t traceStart = 0;
};

typedef std::map<std::string, std::unique_ptr<NamedTimer>> TimerTable;

extern TimerTable& timerTable;
extern ACE_Thread_Mutex& profileLock;
// The indent of the next start line, in steps of two blanks.
extern size_t indentSteps;

}  // namespace profile
}  // namespace oryx

#endif
