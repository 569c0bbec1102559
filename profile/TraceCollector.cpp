// SPDX-License-Identifier: Apache-2.0
#include "profile/TraceCollector.h"

#include "companion/os/NativePath.h"
#include "companion/io/OutputFile.h"
#include "profile/TraceFormat.h"
#include "profile/ZoneBuffer.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <thread>

namespace oryx {
namespace profile {
namespace trace {

std::atomic<bool> tracingOn{false};

namespace {

// Rounds follow each other by 1 ms while events come, and slow down to
// 16 ms while none do.
constexpr std::chrono::milliseconds kBusyNap(1);
constexpr std::chrono::milliseconds kIdleNap(16);

// "%p" replaced by the process id.
std::string expandPath(const char* pattern, long pid) {
  std::string path;
  for (const char* at = pattern; *at != '\0'; ++at) {
    if (at[0] == '%' && at[1] == 'p') {
      path += std::to_string(pid);
      ++at;
    } else {
      path += *at;
    }
  }
  return path;
}

class Collector {
 public:
  Collector(std::string path, long pid) : m_path(std::move(path)), m_pid(pid) {}

  bool start() {
    // Born with every signal blocked, as the profile writer's thread: a
    // process that waits for signals on a thread of its own gets them there.
    sigset_t all, previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    bool started = true;
    try {
      m_thread = std::thread([this] { run(); });
    } catch (...) {
      started = false;
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
  }

  // At exit: the thread ends, the buffers are drained once more and the
  // array is closed.
  void finish() {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    round();
    std::string tail;
    appendTail(tail, m_pid, m_droppedTotal);
    m_file.append(tail.data(), tail.size());
    m_file.close();
  }

 private:
  void run() {
    open();
    std::chrono::milliseconds nap = kBusyNap;
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stopping) {
      lock.unlock();
      const size_t moved = round();
      lock.lock();
      nap = moved != 0 ? kBusyNap : std::min(nap * 2, kIdleNap);
      m_wake.wait_for(lock, nap, [this] { return m_stopping; });
    }
  }

  // The file starts anew: a trace is one array.
  void open() {
    std::string native;
    if (nativePath(m_path.c_str(), "UTF-8", native) && ::truncate(native.c_str(), 0) != 0) {
      // A new file, a FIFO or a device: nothing to cut, the trace starts there.
    }
    m_file.open(m_path, OutputFile::Mode::kAppend);
    std::string head = kTraceHead;
    appendProcessName(head, m_pid, program_invocation_short_name);
    m_file.append(head.data(), head.size());
    m_file.flush();
  }

  // Every buffer's events so far into the file, then one flush. The number
  // of events moved.
  size_t round() {
    size_t moved = 0;
    bool anyRetired = false;
    forEachBuffer([&](ThreadBuffer& buffer) {
      const bool retired = buffer.retired();
      m_text.clear();
      if (!buffer.announced) {
        appendThreadName(m_text, m_pid, buffer.tid, buffer.threadName);
        buffer.announced = true;
      }
      moved += buffer.drain([&](const Event& event) {
        appendEvent(m_text, event, m_pid, buffer.tid);
        if (m_text.size() >= OutputFile::kFlushThreshold) flushText();
      });
      const uint64_t dropped = buffer.dropped();
      if (dropped != buffer.droppedReported) {
        appendDropped(m_text, m_pid, buffer.tid, dropped);
        m_droppedTotal += dropped - buffer.droppedReported;
        buffer.droppedReported = dropped;
      }
      flushText();
      // Retired before the drain: its thread had stored its last event.
      buffer.drainedAfterRetire = retired;
      anyRetired = anyRetired || retired;
    });
    m_file.flush();
    if (anyRetired) releaseRetired();
    return moved;
  }

  void flushText() {
    m_file.append(m_text.data(), m_text.size());
    m_text.clear();
  }

  const std::string m_path;
  const long m_pid;
  OutputFile m_file;
  std::string m_text;
  uint64_t m_droppedTotal = 0;
  std::thread m_thread;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopping = false;  // under m_lock
};

// Never destroyed (a thread may still record while the process exits); the
// pid is the one of the process that loaded the library.
const long loadPid = static_cast<long>(::getpid());
Collector* collector = nullptr;
std::atomic<bool> collectorRunning{false};

void forkedChild() {
  tracingOn.store(false, std::memory_order_relaxed);
  collectorRunning.store(false, std::memory_order_relaxed);
}

struct AtLoad {
  AtLoad() {
    const char* pattern = std::getenv("OX_PROFILE_TRACE");
    if (pattern == nullptr || *pattern == '\0') return;
    collector = new (std::nothrow) Collector(expandPath(pattern, loadPid), loadPid);
    if (collector == nullptr) return;
    ::pthread_atfork(nullptr, nullptr, forkedChild);
    tracingOn.store(true, std::memory_order_relaxed);
  }
  ~AtLoad() {
    tracingOn.store(false, std::memory_order_relaxed);
    if (collectorRunning.exchange(false)) collector->finish();
  }
} atLoad;

}  // namespace

bool startCollector() {
  if (collector == nullptr || !collector->start()) {
    tracingOn.store(false, std::memory_order_relaxed);
    return false;
  }
  collectorRunning.store(true);
  return true;
}

}  // namespace trace
}  // namespace profile
}  // namespace oryx
