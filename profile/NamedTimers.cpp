// The named-timer operations of oRYXProfile: a process-wide table of timers
// under one lock, and the indent shared by all of them.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"
#include "profile/ProfileState.h"
#include "profile/TimerTrace.h"

#include <ace/Guard_T.h>

#include <new>

using namespace oryx::profile;

namespace {

typedef ACE_Guard<ACE_Thread_Mutex> Guard;

// The span between the timer's last start and stop; for a timer still
// running, up to now.
ACE_hrtime_t spanOf(const NamedTimer& named) {
  ACE_hrtime_t nanoseconds = 0;
  if (named.running) {
    ACE_High_Res_Timer upToNow = named.timer;
    upToNow.stop();
    upToNow.elapsed_time(nanoseconds);
  } else {
    named.timer.elapsed_time(nanoseconds);
  }
  return nanoseconds;
}

// Reading a timer's elapsed line ends its level: one indent step comes off
// the prefix. With profileLock held.
void outdent() {
  if (writeIndent && indentPrefix.size() >= 2) indentPrefix.resize(indentPrefix.size() - 2);
}

}  // namespace

void oRYXProfile::startTimer(std::string name) {
  Guard guard(profileLock);
  if (!guard.locked()) return;
  std::unique_ptr<NamedTimer>& named = timerTable[name];
  if (!named) named.reset(new (std::nothrow) NamedTimer);
  if (!named) {
    timerTable.erase(name);
    return;
  }
  named->timer.reset();
  named->timer.start();
  named->traceStart = trace::timerClock();
  named->running = true;
  if (writeStart) {
    if (LineText* line = lineRoom()) addLine(formatStart(*line, indentPrefix.c_str(), name.c_str()));
  }
  if (writeIndent) indentPrefix += kIndentStep;
}

void oRYXProfile::stopTimer(std::string name) {
  // Stopping and reading the timer happen under one hold of the lock: no
  // other thread can restart or clean the name in between, and the line is
  // formatted straight into the writer's batch.
  Guard guard(profileLock);
  if (!guard.locked()) return;
  const TimerTable::iterator found = timerTable.find(name);
  if (found == timerTable.end()) return;
  NamedTimer& named = *found->second;
  const uint64_t traceEnd = trace::timerClock();
  named.timer.stop();
  named.running = false;
  outdent();
  const ACE_hrtime_t span = spanOf(named);
  if (LineText* line = lineRoom()) addLine(formatElapsed(*line, indentPrefix.c_str(), name.c_str(), span));
  trace::timerStopped(name, named.traceStart, traceEnd);
}

std::string oRYXProfile::getElapsedTime(std::string name) {
  Guard guard(profileLock);
  if (!guard.locked()) return std::string();
  const TimerTable::const_iterator found = timerTable.find(name);
  if (found == timerTable.end() || !found->second) return std::string();
  const ACE_hrtime_t nanoseconds = spanOf(*found->second);
  outdent();
  char line[kLineBuffer];
  return std::string(line, formatElapsed(line, indentPrefix.c_str(), name.c_str(), nanoseconds));
}

void oRYXProfile::clean(std::string name) {
  Guard guard(profileLock);
  if (!guard.locked()) return;
  timerTable.erase(name);
}
