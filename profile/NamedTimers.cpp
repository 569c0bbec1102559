// The named-timer operations of oRYXProfile: a process-wide table of timers
// under one lock, and the indent shared by all of them.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"
#include "profile/ProfileState.h"

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

// The elapsed line of a timer, with profileLock held: reading it takes one
// indent step off the prefix.
void formatElapsedLocked(const NamedTimer& named, const std::string& name, char (&line)[kLineBuffer]) {
  const ACE_hrtime_t nanoseconds = spanOf(named);
  if (writeIndent && indentPrefix.size() >= 2) indentPrefix.resize(indentPrefix.size() - 2);
  formatElapsed(line, indentPrefix.c_str(), name.c_str(), nanoseconds);
}

}  // namespace

void oRYXProfile::startTimer(std::string name) {
  LockedLine line(writeStart);
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
  named->running = true;
  if (line.text() != nullptr) {
    formatStart(*line.text(), indentPrefix.c_str(), name.c_str());
    line.emit();
  }
  if (writeIndent) indentPrefix += kIndentStep;
}

void oRYXProfile::stopTimer(std::string name) {
  // Stopping and reading the timer happen under one hold of the lock: no
  // other thread can restart or clean the name in between, and the line is
  // formatted straight into its block.
  LockedLine line(true);
  Guard guard(profileLock);
  if (!guard.locked()) return;
  const TimerTable::iterator found = timerTable.find(name);
  if (found == timerTable.end()) return;
  NamedTimer& named = *found->second;
  named.timer.stop();
  named.running = false;
  if (line.text() != nullptr) {
    formatElapsedLocked(named, name, *line.text());
    line.emit();
  } else {
    char dropped[kLineBuffer];
    formatElapsedLocked(named, name, dropped);
  }
}

std::string oRYXProfile::getElapsedTime(std::string name) {
  Guard guard(profileLock);
  if (!guard.locked()) return std::string();
  const TimerTable::const_iterator found = timerTable.find(name);
  if (found == timerTable.end() || !found->second) return std::string();
  char line[kLineBuffer];
  formatElapsedLocked(*found->second, name, line);
  return line;
}

void oRYXProfile::clean(std::string name) {
  Guard guard(profileLock);
  if (!guard.locked()) return;
  timerTable.erase(name);
}
