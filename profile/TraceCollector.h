// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_TRACECOLLECTOR_H
#define ORYXUTIL_PROFILE_TRACECOLLECTOR_H

// The trace's destination. OX_PROFILE_TRACE is read when the library loads
// ("%p" in it becomes the process id; unset or empty: no tracing). The first
// event of the process opens the file anew and starts a background writer
// whose thread, after each nap, moves the threads' events into the file and
// flushes it, so a crash loses only the last round. The process's exit
// drains the buffers a last time and closes the array. A forked child
// records nothing (the writer's thread is the parent's).
// Threads: on() from any thread; startCollector() with the registry's lock
// held.

#include <atomic>

namespace oryx {
namespace profile {
namespace trace {

extern std::atomic<bool> tracingOn;

inline bool on() { return tracingOn.load(std::memory_order_relaxed); }

// With the registry's lock held, at the first buffer: starts the writer
// thread. False when it cannot (tracing then ends).
bool startCollector();

}  // namespace trace
}  // namespace profile
}  // namespace oryx

#endif
