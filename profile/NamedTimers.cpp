// SPDX-License-Identifier: Apache-2.0
// The named-timer operations of oRYXProfile: a process-wide table of timers
// under one lock, and the indent shared by all of them.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"
#include "profile/ProfileConfig.h"
#include "profile/ProfileState.h"
#include "profile/ProfileWriter.h"
#include "profile/TimerTrace.h"

#include <ace/Guard_T.h>

#include <new>

using namespace oryx::profile;

namespace {

typedef ACE_Guard<ACE_Thread_Mutex> Guard;

// The span between the timer's last start and stop; for a timer still
// running, up to now.
ACE_hrtime_t spanOf(const NamedTimer& named) {
  return (named.running ? ACE_OS::gethrtime() : named.stop) - named.start;
}

// Reading a timer's elapsed line ends its level: one indent step comes off.
// With profileLock held.
void outdent() {
  if (profileConfig().writeIndent && indentSteps > 0) --indentSteps;
}

// The writer of the lines, its thread started (outside profileLock); null
// without a destination.
oRYXProfileWriter* startedWriter() {
  oRYXProfileWriter* writer = oRYXProfileWriter::lines();
  if (writer != nullptr) writer->start();
  return writer;
}

// A start or stop event of `named`, with profileLock held.
void add(oRYXProfileWriter* writer, ProfileEvent::Kind kind, const std::string& name,
         const NamedTimer& named, ACE_hrtime_t span) {
  if (writer == nullptr) return;
  writer->add({kind, name.c_str(), ACE_OS::thr_self(), named.start, span, indentSteps, 0, 0});
}

}  // namespace

void oRYXProfile::startTimer(std::string name) {
  oRYXProfileWriter* const writer = startedWriter();
  const ProfileConfig& config = profileConfig();
  Guard guard(profileLock);
  if (!guard.locked()) return;
  std::unique_ptr<NamedTimer>& named = timerTable[name];
  if (!named) named.reset(new (std::nothrow) NamedTimer);
  if (!named) {
    timerTable.erase(name);
    return;
  }
  named->start = ACE_OS::gethrtime();
  named->traceStart = trace::timerClock();
  named->running = true;
  if (config.writeStart) add(writer, ProfileEvent::Kind::kStart, name, *named, 0);
  if (config.writeIndent) ++indentSteps;
}

void oRYXProfile::stopTimer(std::string name) {
  oRYXProfileWriter* const writer = startedWriter();
  // Stopping and reading the timer happen under one hold of the lock: no
  // other thread can restart or clean the name in between, and the line is
  // formatted straight into the writer's block.
  Guard guard(profileLock);
  if (!guard.locked()) return;
  const TimerTable::iterator found = timerTable.find(name);
  if (found == timerTable.end()) return;
  NamedTimer& named = *found->second;
  const uint64_t traceEnd = trace::timerClock();
  named.stop = ACE_OS::gethrtime();
  named.running = false;
  outdent();
  add(writer, ProfileEvent::Kind::kStop, name, named, spanOf(named));
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
  return std::string(line, formatElapsed(line, indentSteps, name.c_str(), nanoseconds));
}

void oRYXProfile::clean(std::string name) {
  Guard guard(profileLock);
  if (!guard.locked()) return;
  timerTable.erase(name);
}
