// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_ZONEBUFFER_H
#define ORYXUTIL_PROFILE_ZONEBUFFER_H

// The per-thread event buffers of the zones and the trace: each thread that
// records an event gets one ring of kCapacity events (allocated once, at its
// first event, and listed in a process-wide registry). The thread writes
// only its own ring's head and drop count; the collector reads them and
// writes only the ring's tail. A full ring drops the event and counts it.
// Ownership: buffers belong to the registry. A buffer whose thread has
// ended is freed by the collector once drained; the others live until the
// process ends, so a thread that records during exit finds its buffer valid.
// Threads: record() on any thread; forEachBuffer()/release() on the
// collector only.

#include <time.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace oryx {
namespace profile {
namespace trace {

// The zones' clock: CLOCK_MONOTONIC, the clock of the named timers and of
// sleeps, so a zone around a sleep never reads shorter than the sleep.
inline uint64_t nowNs() {
  timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

enum class EventKind : uint32_t { kComplete, kTimer, kInstant, kCounter };

struct Event {
  const char* name;  // interned: valid until the process ends
  uint64_t start;    // CLOCK_MONOTONIC nanoseconds
  uint64_t value;    // kComplete/kTimer: duration in ns; kCounter: the value
  EventKind kind;
};

class ThreadBuffer {
 public:
  static const size_t kCapacity = 8192;  // a power of two: 256 KiB a thread

  ThreadBuffer(long tid, std::string threadName);

  // On the owning thread: stores the event, or counts it as dropped.
  void push(const Event& event) {
    const uint64_t head = m_head.load(std::memory_order_relaxed);
    if (head - m_tailSeen >= kCapacity) {
      m_tailSeen = m_tail.load(std::memory_order_acquire);
      if (head - m_tailSeen >= kCapacity) {
        m_dropped.store(m_dropped.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        return;
      }
    }
    m_events[head & (kCapacity - 1)] = event;
    m_head.store(head + 1, std::memory_order_release);
  }

  // On the collector: calls take(event) for every event stored so far, then
  // frees their room. Returns how many.
  template <class Take>
  size_t drain(Take&& take) {
    const uint64_t tail = m_tail.load(std::memory_order_relaxed);
    const uint64_t head = m_head.load(std::memory_order_acquire);
    for (uint64_t at = tail; at != head; ++at) take(m_events[at & (kCapacity - 1)]);
    m_tail.store(head, std::memory_order_release);
    return static_cast<size_t>(head - tail);
  }

  uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }
  bool retired() const { return m_retired.load(std::memory_order_acquire); }
  void retire() { m_retired.store(true, std::memory_order_release); }

  const long tid;
  const std::string threadName;
  // The collector's own notes on this buffer.
  bool announced = false;
  uint64_t droppedReported = 0;
  bool drainedAfterRetire = false;  // so it may be freed
  ThreadBuffer* next = nullptr;  // the registry's list, under its lock

 private:
  // The owner's line and the collector's line apart: the caller's path
  // writes no cache line that the collector writes.
  alignas(64) std::atomic<uint64_t> m_head{0};
  std::atomic<uint64_t> m_dropped{0};
  uint64_t m_tailSeen = 0;
  alignas(64) std::atomic<uint64_t> m_tail{0};
  std::atomic<bool> m_retired{false};
  alignas(64) Event m_events[kCapacity];
};

// The calling thread's buffer, registering it at its first event (null when
// tracing is off or memory ran out).
ThreadBuffer* threadBuffer();

// On the collector: every registered buffer, newest first.
template <class Visit>
void forEachBuffer(Visit&& visit);
ThreadBuffer* firstBuffer();
// On the collector: unlinks and frees the buffers marked drainedAfterRetire.
void releaseRetired();

// A lasting copy of a name, one per distinct text (a lock and a lookup).
// Null only when memory runs out.
const char* intern(const std::string& text);

inline void record(EventKind kind, const char* name, uint64_t start, uint64_t value) {
  if (ThreadBuffer* buffer = threadBuffer()) buffer->push(Event{name, start, value, kind});
}

template <class Visit>
void forEachBuffer(Visit&& visit) {
  for (ThreadBuffer* buffer = firstBuffer(); buffer != nullptr; buffer = buffer->next) visit(*buffer);
}

}  // namespace trace
}  // namespace profile
}  // namespace oryx

#endif
