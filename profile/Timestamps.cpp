// Timestamp lines, the caller-owned timers and the end of profiling: the
// oRYXProfile operations that never touch the timer table.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"
#include "profile/ProfileState.h"
#include "profile/TimerTrace.h"

#include <ace/OS_NS_sys_time.h>

using namespace oryx::profile;

std::string oRYXProfile::getTime(std::string name) {
  const ACE_Time_Value now = ACE_OS::gettimeofday();
  char line[kLineBuffer];
  formatTimestamp(line, name.c_str(), static_cast<long>(now.sec()), static_cast<long>(now.usec()));
  return line;
}

void oRYXProfile::writeTime(std::string name) {
  emit(getTime(name).c_str());
  trace::timestampWritten(name);
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

void oRYXProfile::exit() { emit(nullptr); }
