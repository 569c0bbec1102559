// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_PROFILEFORMAT_H
#define ORYXUTIL_PROFILE_PROFILEFORMAT_H

// The seam between what the profiler observes and the bytes of a profile
// destination: each event (a timer's start, its stop with the span, an
// instant) becomes bytes through a ProfileFormat. The indented text lines
// are the first format; another (a trace file of timed events, say) is one
// more implementation, chosen once when the library loads.
// Results: format() returns the number of bytes written, never more than
// eventRoom(); nothing fails.
// Ownership: an event's name is the caller's, valid during the call.
// Threads: a format is immutable; any thread may use it at once.

#include <ace/OS_NS_Thread.h>
#include <ace/OS_NS_time.h>

#include <cstddef>

namespace oryx {
namespace profile {

struct ProfileEvent {
  enum class Kind { kStart, kStop, kInstant };

  Kind kind;
  const char* name;           // zero-terminated
  ACE_thread_t thread;        // the thread it happened on
  ACE_hrtime_t startTicks;    // monotonic nanoseconds (ACE_OS::gethrtime) when it began
  ACE_hrtime_t spanTicks;     // kStop: nanoseconds from start to stop; otherwise 0
  size_t nesting;             // kStart / kStop: the named timers' indent steps at the event
  long wallSeconds;           // kInstant: wall-clock seconds since 1970
  long wallMicroseconds;      // kInstant: and microseconds within that second
};

class ProfileFormat {
 public:
  virtual ~ProfileFormat() = default;
  // The most bytes that one event takes (format() gets that much room).
  virtual size_t eventRoom() const = 0;
  // Writes the event's bytes at `out`; returns their number.
  virtual size_t format(const ProfileEvent& event, char* out) const = 0;
};

// The indented text lines: "Started[name]", "Elapsed[name]:..s:..ms:..us:..ns"
// and "Timestamp[name]:..s:..us", each cut to 255 characters.
const ProfileFormat& textLines();

}  // namespace profile
}  // namespace oryx

#endif
