// SPDX-License-Identifier: Apache-2.0
#include "profile/TraceCollector.h"

#include "companion/async/BackgroundWriter.h"
#include "companion/async/ExitGate.h"
#include "companion/os/NativePath.h"
#include "profile/ProfileConfig.h"
#include "profile/ProfileWriter.h"
#include "profile/TraceFormat.h"
#include "profile/ZoneBuffer.h"

#include <errno.h>
#include <unistd.h>

#include <new>
#include <string>

namespace oryx {
namespace profile {
namespace trace {

std::atomic<bool> tracingOn{false};

namespace {

// The background writer's thread moves the threads' events into the file
// after each nap (1 ms while events come, up to 16 ms while none do), and
// flushes it, so a crash loses only the last round.
class Collector : private ProfileDestination, public BackgroundWriter {
 public:
  explicit Collector(long pid) : BackgroundWriter(file, settings(this)), m_pid(pid) {}

  // With the registry's lock held, at the first event.
  bool begin() {
    if (!start()) return false;
    exitgate::atExit(endAtExit);
    return true;
  }

 private:
  static Settings settings(Collector* self) {
    // Nobody queues blocks: the thread gathers every byte itself.
    return Settings{4096, 0, 0, 1000, nullptr, nullptr, collectHook, self};
  }

  static bool collectHook(void* self, bool last) { return static_cast<Collector*>(self)->round(last); }

  // At exit: the thread drains the buffers a last time, closes the array
  // and ends.
  static void endAtExit();

  // A forked child records nothing: the thread is the parent's.
  bool unlockInChild() override {
    tracingOn.store(false, std::memory_order_relaxed);
    return BackgroundWriter::unlockInChild();
  }

  // On the thread, which may wait on the destination (a FIFO, say): the
  // file starts anew, as a trace is one array.
  void openFile() {
    const std::string& path = profileConfig().tracePath;
    std::string native;
    if (nativePath(path.c_str(), "UTF-8", native) && ::truncate(native.c_str(), 0) != 0) {
      // A new file, a FIFO or a device: nothing to cut, the trace starts there.
    }
    file.open(path, OutputFile::Mode::kAppend);
    m_text = kTraceHead;
    appendProcessName(m_text, m_pid, program_invocation_short_name);
    flushText();
    file.flush();
    m_opened = true;
  }

  // Every buffer's events so far into the file; whether there were any.
  bool round(bool last) {
    if (!m_opened) openFile();
    size_t moved = 0;
    bool anyRetired = false;
    forEachBuffer([&](ThreadBuffer& buffer) {
      const bool retired = buffer.retired();
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
    if (anyRetired) releaseRetired();
    if (last) {
      appendTail(m_text, m_pid, m_droppedTotal);
      flushText();
    }
    return moved != 0;
  }

  void flushText() {
    file.append(m_text.data(), m_text.size());
    m_text.clear();
  }

  const long m_pid;
  std::string m_text;  // the thread's
  uint64_t m_droppedTotal = 0;
  bool m_opened = false;
};

// Never destroyed (a thread may still record while the process exits); the
// pid is the one of the process that loaded the library.
const long loadPid = static_cast<long>(::getpid());
Collector* collector = nullptr;

void Collector::endAtExit() {
  tracingOn.store(false, std::memory_order_relaxed);
  collector->stop();
  collector->file.close();
}

struct AtLoad {
  AtLoad() {
    if (profileConfig().tracePath.empty()) return;
    collector = new (std::nothrow) Collector(loadPid);
    if (collector != nullptr) tracingOn.store(true, std::memory_order_relaxed);
  }
} atLoad;

}  // namespace

bool startCollector() {
  // A child forked before the first event records nothing either.
  if (collector == nullptr || ::getpid() != loadPid || !collector->begin()) {
    tracingOn.store(false, std::memory_order_relaxed);
    return false;
  }
  return true;
}

}  // namespace trace
}  // namespace profile
}  // namespace oryx
