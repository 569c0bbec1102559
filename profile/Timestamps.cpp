// SPDX-License-Identifier: Apache-2.0
// Timestamp lines, the caller-owned timers and the end of profiling: the
// oRYXProfile operations that never touch the timer table.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"
#include "profile/ProfileState.h"
#include "profile/ProfileWriter.h"
#include "profile/TimerTrace.h"

#include <ace/Guard_T.h>
#include <ace/OS_NS_sys_time.h>

using namespace oryx::profile;

std::string oRYXProfile::getTime(std::string name) {
  const ACE_Time_Value now = ACE_OS::gettimeofday();
  char line[kLineBuffer];
  formatTimestamp(line, name.c_str(), static_cast<long>(now.sec()), static_cast<long>(now.usec()));
  return line;
}

void oRYXProfile::writeTime(std::string name) {
  trace::timestampWritten(name);
  oRYXProfileWriter* const writer = oRYXProfileWriter::lines();
  if (writer == nullptr) return;
  writer->start();
  const ACE_Time_Value now = ACE_OS::gettimeofday();
  const ProfileEvent event = {ProfileEvent::Kind::kInstant, name.c_str(), ACE_OS::thr_self(), ACE_OS::gethrtime(),
                              0, 0, static_cast<long>(now.sec()), static_cast<long>(now.usec())};
  ACE_Guard<ACE_Thread_Mutex> guard(profileLock);
  writer->add(event);
}

void oRYXProfile::startTimer(ACE_High_Res_Timer* timer) {
  if (timer == nullptr) return;
  timer->reset();
  timer->start();
}

void oRYXProfile::stopTimer(ACE_High_Res_Timer* timer) {
  if (timer != nullptr) timer->stop();
}

long oRYXProfile::getElapsedTime(ACE_High_Res_Timer* timer) {
  if (timer == nullptr) return 0;
  ACE_hrtime_t nanoseconds = 0;
  timer->elapsed_time(nanoseconds);
  return wholeMilliseconds(nanoseconds);
}

void oRYXProfile::exit() {
  if (oRYXProfileWriter* writer = oRYXProfileWriter::lines()) writer->end();
}
