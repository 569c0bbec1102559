// SPDX-License-Identifier: Apache-2.0
#include "profile/ZoneBuffer.h"

#include "profile/TraceCollector.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>
#include <new>

namespace oryx {
namespace profile {
namespace trace {

namespace {

// Never destroyed: threads may record while the process exits.
std::mutex& registryLock = *new std::mutex;
// Published with release once a buffer is complete; only the collector
// unlinks, so it may walk the list without the lock.
std::atomic<ThreadBuffer*> registryHead{nullptr};
bool collectorStarted = false;  // under registryLock

// The fast path reads one initial-exec pointer: no call into the dynamic
// TLS machinery on every event.
__attribute__((tls_model("initial-exec"))) thread_local ThreadBuffer* t_buffer = nullptr;
// Set once the thread's exit has retired its buffer: later events of that
// thread (from other thread-local destructors) are dropped.
__attribute__((tls_model("initial-exec"))) thread_local bool t_ended = false;

// Retires the thread's buffer when the thread ends.
struct ThreadEnd {
  ThreadBuffer* buffer = nullptr;
  ~ThreadEnd() {
    if (buffer == nullptr) return;
    t_buffer = nullptr;
    t_ended = true;
    buffer->retire();
  }
};
thread_local ThreadEnd t_end;

ThreadBuffer* registerThread() {
  if (t_ended || !on()) return nullptr;
  char name[64] = "";
  ::pthread_getname_np(::pthread_self(), name, sizeof name);
  ThreadBuffer* buffer = new (std::nothrow) ThreadBuffer(static_cast<long>(::syscall(SYS_gettid)), name);
  if (buffer == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> guard(registryLock);
    if (!collectorStarted && !startCollector()) {
      delete buffer;
      return nullptr;
    }
    collectorStarted = true;
    buffer->next = registryHead.load(std::memory_order_relaxed);
    registryHead.store(buffer, std::memory_order_release);
  }
  t_end.buffer = buffer;
  t_buffer = buffer;
  return buffer;
}

}  // namespace

ThreadBuffer::ThreadBuffer(long threadId, std::string name) : tid(threadId), threadName(std::move(name)) {}

ThreadBuffer* threadBuffer() {
  ThreadBuffer* buffer = t_buffer;
  return buffer != nullptr ? buffer : registerThread();
}

ThreadBuffer* firstBuffer() { return registryHead.load(std::memory_order_acquire); }

void releaseRetired() {
  std::lock_guard<std::mutex> guard(registryLock);
  ThreadBuffer* kept = nullptr;  // rebuilt in the same order
  ThreadBuffer** link = &kept;
  for (ThreadBuffer* buffer = registryHead.load(std::memory_order_relaxed); buffer != nullptr;) {
    ThreadBuffer* next = buffer->next;
    if (buffer->drainedAfterRetire) {
      delete buffer;
    } else {
      *link = buffer;
      link = &buffer->next;
    }
    buffer = next;
  }
  *link = nullptr;
  registryHead.store(kept, std::memory_order_release);
}

}  // namespace trace
}  // namespace profile
}  // namespace oryx
