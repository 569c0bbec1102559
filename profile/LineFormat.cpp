#include "profile/LineFormat.h"

#include <ace/OS_NS_stdio.h>

namespace oryx {
namespace profile {

namespace {
const ACE_hrtime_t kNsPerSecond = 1000000000;
}

void formatStart(char (&line)[kLineBuffer], const char* indent, const char* name) {
  ACE_OS::snprintf(line, kLineBuffer, "%sStarted[%s]\n", indent, name);
}

void formatElapsed(char (&line)[kLineBuffer], const char* indent, const char* name,
                   ACE_hrtime_t nanoseconds) {
  const long seconds = static_cast<long>(nanoseconds / kNsPerSecond);
  const long fraction = static_cast<long>(nanoseconds % kNsPerSecond);
  ACE_OS::snprintf(line, kLineBuffer, "%sElapsed[%s]:%lds:%ldms:%ldus:%ldns\n", indent, name,
                   seconds, fraction / 1000000, (fraction % 1000000) / 1000, fraction % 1000);
}

void formatTimestamp(char (&line)[kLineBuffer], const char* name, long seconds,
                     long microseconds) {
  ACE_OS::snprintf(line, kLineBuffer, "Timestamp[%s]:%lds:%ldus\n", name, seconds, microseconds);
}

long wholeMilliseconds(ACE_hrtime_t nanoseconds) {
  return static_cast<long>(nanoseconds / kNsPerSecond) * 1000 +
         static_cast<long>(nanoseconds % kNsPerSecond) / 1000000;
}

}  // namespace profile
}  // namespace oryx
