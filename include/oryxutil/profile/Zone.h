// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_ZONE_H
#define ORYXUTIL_PROFILE_ZONE_H

// Zones: scopes timed on their own thread, for a timeline and flame graphs.
//   oryx::profile::Zone zone("parse");        // a string literal: no lookup
//   static const oryx::profile::Zone::Name kRow("row");  // interned once
//   oryx::profile::Zone zone(kRow);
//   oryx::profile::instant("checkpoint");
//   oryx::profile::counter("queue depth", depth);
// With OX_PROFILE_TRACE=path set when the library loads ("%p" in it becomes
// the process id), each event goes into a fixed-size buffer of the calling
// thread, and a background thread writes it to `path` in Chrome's trace
// event format (a JSON array, one event a line; a file cut short by a crash
// still loads). Without it every call returns at once.
// Results: nothing fails visibly. A thread whose buffer is full (the writer
// fell behind) drops the event and counts it; the count is in the trace.
// Cost: a zone reads CLOCK_MONOTONIC twice and stores one event; no lock,
// and no allocation after the thread's first event. A name given as a
// std::string is interned on every call (a lock and a lookup).
// Ownership: an array argument is taken as a string literal and must outlive
// the process's tracing; interned names live until the process ends.
// Threads: any thread; a zone is ended by the thread that began it, and
// zones on one thread nest (destroy them in reverse order, as scopes do).

#include "oryxutil/Visibility.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace oryx {
namespace profile {

class ORYXUTIL_EXPORT Zone {
 public:
  // A name interned once, for names built at run time and used many times.
  class ORYXUTIL_EXPORT Name {
   public:
    explicit Name(const char* text);
    explicit Name(const std::string& text);
    const char* text() const { return m_text; }

   private:
    const char* m_text;
  };

  template <size_t N>
  explicit Zone(const char (&literal)[N]) : Zone(static_cast<const char*>(literal), 0) {}
  explicit Zone(const Name& name) : Zone(name.text(), 0) {}
  explicit Zone(const std::string& name);
  ~Zone();

  Zone(const Zone&) = delete;
  Zone& operator=(const Zone&) = delete;

 private:
  Zone(const char* interned, int);

  const char* m_name;
  uint64_t m_start;  // 0: not traced
};

// A point in time on the calling thread's lane.
ORYXUTIL_EXPORT void instantInterned(const char* interned);
template <size_t N>
void instant(const char (&literal)[N]) {
  instantInterned(literal);
}
inline void instant(const Zone::Name& name) { instantInterned(name.text()); }
ORYXUTIL_EXPORT void instant(const std::string& name);

// A named value over time (drawn as a graph by trace viewers).
ORYXUTIL_EXPORT void counterInterned(const char* interned, int64_t value);
template <size_t N>
void counter(const char (&literal)[N], int64_t value) {
  counterInterned(literal, value);
}
inline void counter(const Zone::Name& name, int64_t value) { counterInterned(name.text(), value); }

// Whether OX_PROFILE_TRACE named a destination at load (and tracing has not
// ended with the process's exit).
ORYXUTIL_EXPORT bool tracing();

}  // namespace profile
}  // namespace oryx

#endif
