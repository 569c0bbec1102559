#include "profile/ProfileWriter.h"

#include "profile/LineFormat.h"
#include "profile/ProfileState.h"

#include <ace/Message_Block.h>
#include <ace/OS_NS_stdlib.h>
#include <ace/OS_NS_string.h>
#include <ace/OS_NS_unistd.h>

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <new>

namespace {
// A plain constant: the service thread starts while the library is still
// loading, before this file's dynamically initialised objects exist.
constexpr suseconds_t kGatherMicroseconds = 1000;
// Idle line blocks kept for reuse (about 1 MiB).
constexpr size_t kIdleBlocks = 2048;
}

oRYXProfileWriter::oRYXProfileWriter()
    : ACE_Task<ACE_MT_SYNCH>(nullptr, new oryx::BatchQueue),
      m_queue(static_cast<oryx::BatchQueue*>(msg_queue())),
      m_blocks(oryx::profile::kLineBuffer, kIdleBlocks) {
  delete_msg_queue_ = true;  // the task owns and deletes its queue, as its own default one
  oryx::profile::writeStart = ACE_OS::getenv("OX_PROFILE_NO_WRITE_START") == nullptr;
  oryx::profile::writeIndent = ACE_OS::getenv("OX_PROFILE_NO_WRITE_INDENT") == nullptr;
  // An empty name is taken as no destination.
  const char* destination = ACE_OS::getenv("OX_PROFILE_FILE");
  if (destination != nullptr && *destination != '\0') m_file.open(destination);
}

oRYXProfileWriter::~oRYXProfileWriter() {}

oRYXProfileWriter* oRYXProfileWriter::createAtLoad() {
  oRYXProfileWriter* writer = new oRYXProfileWriter;
  writer->start();
  return writer;
}

bool oRYXProfileWriter::start() {
  ::pthread_atfork(beforeFork, afterForkInParent, afterForkInChild);
  // The thread is born with every signal blocked, so that a process which
  // blocks signals later and waits for them on a thread of its own never
  // has one delivered to the profiler's thread.
  sigset_t all;
  sigset_t previous;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  m_accepting.store(true, std::memory_order_release);
  const bool started = activate(THR_NEW_LWP | THR_JOINABLE | THR_INHERIT_SCHED, 1) == 0;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  // Without a thread nothing would drain the queue: drop the lines instead.
  if (!started) m_accepting.store(false, std::memory_order_release);
  return started;
}

int oRYXProfileWriter::enqueue(const char* line) {
  if (line == nullptr) {
    if (!m_accepting.exchange(false, std::memory_order_acq_rel)) return 0;
    ACE_Message_Block* marker =
        new (std::nothrow) ACE_Message_Block(0, ACE_Message_Block::MB_STOP);
    if (marker == nullptr) return -1;
    const int result = putq(marker);
    if (result == -1) marker->release();
    return result;
  }
  if (!m_accepting.load(std::memory_order_acquire)) return 0;
  const size_t size = ACE_OS::strlen(line) + 1;
  // Size 0 over a copy of the line that the block does not own; block and
  // copy share one recycled chunk.
  ACE_Message_Block* block = m_blocks.make(size, 0);
  if (block == nullptr) return -1;
  ACE_OS::memcpy(block->base(), line, size);
  return queueLine(block);
}

ACE_Message_Block* oRYXProfileWriter::makeLine() {
  if (!m_accepting.load(std::memory_order_acquire)) return nullptr;
  return m_blocks.make(oryx::profile::kLineBuffer, 0);
}

int oRYXProfileWriter::queueLine(ACE_Message_Block* block) {
  // A line made just before exit() is dropped like any later one.
  if (!m_accepting.load(std::memory_order_acquire)) {
    m_blocks.recycle(block);
    return 0;
  }
  const int result = putq(block);
  if (result == -1) m_blocks.recycle(block);
  return result;
}

void oRYXProfileWriter::discardLine(ACE_Message_Block* block) { m_blocks.recycle(block); }

int oRYXProfileWriter::svc() {
  oryx::BlockPool::Recycler recycler(m_blocks);
  for (;;) {
    ACE_Message_Block* block = takeLines();
    if (block == nullptr) break;
    while (block != nullptr) {
      ACE_Message_Block* next = block->next();
      block->next(nullptr);
      if (block->base() == nullptr) {  // the end marker; later lines are dropped
        block->release();
        m_blocks.releaseChain(next);
        m_file.flush();
        return 0;
      }
      m_file.append(block->base());
      recycler.recycle(block);
      block = next;
    }
    recycler.giveAll();
  }
  m_file.flush();
  return 0;
}

ACE_Message_Block* oRYXProfileWriter::takeLines() {
  ACE_Message_Block* first = nullptr;
  ACE_Time_Value now(ACE_Time_Value::zero);
  if (m_queue->dequeue_all(first, &now) != -1) return first;
  // The queue ran empty: the file gets what it has so far, then a short nap
  // lets the callers' lines gather. While this thread is not waiting on the
  // queue, enqueueing wakes nobody (no system call on the callers' side).
  m_file.flush();
  ACE_OS::sleep(ACE_Time_Value(0, kGatherMicroseconds));
  for (;;) {
    if (m_queue->dequeue_all(first) != -1) return first;
    if (errno == ESHUTDOWN) return nullptr;
  }
}

void oRYXProfileWriter::shutdown() {
  // Once only: the second call may come after ACE has torn down the thread
  // manager that the first one joined through.
  if (m_forkedChild.load(std::memory_order_acquire) || m_stopped.exchange(true)) return;
  enqueue(nullptr);
  wait();
  drainLeftovers();
  m_file.close();
}

void oRYXProfileWriter::drainLeftovers() {
  // A caller that passed the accepting check just before the end marker
  // may have queued its line behind it; nothing reads the queue any more.
  ACE_Time_Value now(ACE_Time_Value::zero);
  ACE_Message_Block* first = nullptr;
  while (m_queue->dequeue_all(first, &now) != -1) m_blocks.releaseChain(first);
}

// Forking while another thread holds the profiler's lock would leave the
// child's copy locked forever; holding it across fork() keeps it consistent.
void oRYXProfileWriter::beforeFork() { oryx::profile::profileLock.acquire(); }

void oRYXProfileWriter::afterForkInParent() { oryx::profile::profileLock.release(); }

void oRYXProfileWriter::afterForkInChild() {
  oRYXProfileWriter* writer = oryx::profile::profileWriter;
  if (writer != nullptr) {
    writer->m_forkedChild.store(true, std::memory_order_release);
    writer->m_accepting.store(false, std::memory_order_release);
  }
  oryx::profile::profileLock.release();
}
