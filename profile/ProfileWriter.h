// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_PROFILEWRITER_H
#define ORYXUTIL_PROFILE_PROFILEWRITER_H

// The back end of the profiler: a background writer that appends the
// profiler's events, as the configured format's bytes, to the file named by
// OX_PROFILE_FILE (opened for appending when the library loads). Callers add
// events under profileLock, which the named-timer operations hold anyway;
// the writer's thread starts with the first event, so a process that never
// profiles has no thread. Without a destination there is no writer at all
// and events are dropped.
// After end() (oRYXProfile::exit(), or the process's exit) events are
// dropped; so are they in a forked child (the thread is the parent's).
// Ownership: the process's writer is created at load and never destroyed.
// Threads: add() with profileLock held, from any thread; start() and end()
// from any thread, never with profileLock held.

#include "companion/async/BackgroundWriter.h"
#include "companion/io/OutputFile.h"
#include "profile/ProfileFormat.h"

#include <atomic>
#include <mutex>

namespace oryx {
namespace profile {

// Holds the file, so that it exists before the writer that uses it.
struct ProfileDestination {
  OutputFile file;
};

}  // namespace profile
}  // namespace oryx

class oRYXProfileWriter : private oryx::profile::ProfileDestination, public oryx::BackgroundWriter {
 public:
  // The process's writer of the lines; null without a destination (unset,
  // empty or not openable).
  static oRYXProfileWriter* lines() { return s_lines; }

  // Starts the thread unless it has started (or failed to) before. Cheap
  // once started.
  void start() {
    if (m_phase.load(std::memory_order_acquire) == Phase::kIdle) startOnce();
  }
  // With profileLock held: the event's bytes behind those added so far.
  void add(const oryx::profile::ProfileEvent& event) {
    char* at = room(m_format.eventRoom());
    if (at != nullptr) commit(m_format.format(event, at));
  }
  // Writes what was added, ends the thread, and drops later events.
  void end();

 private:
  enum class Phase { kIdle, kStarted, kEnded };

  oRYXProfileWriter(const oryx::profile::ProfileFormat& format);
  static oRYXProfileWriter* createAtLoad();
  void startOnce();
  static void endAtExit();

  static oRYXProfileWriter* const s_lines;
  const oryx::profile::ProfileFormat& m_format;
  std::mutex m_phaseLock;
  std::atomic<Phase> m_phase{Phase::kIdle};
};

#endif
