#include "profile/ProfileWriter.h"

#include "profile/LineFormat.h"
#include "profile/ProfileState.h"

#include <ace/Guard_T.h>
#include <ace/Message_Block.h>
#include <ace/OS_NS_stdlib.h>
#include <ace/OS_NS_string.h>
#include <ace/OS_NS_unistd.h>

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <new>

namespace {
// Plain constants: the service thread starts while the library is still
// loading, before this file's dynamically initialised objects exist.
constexpr suseconds_t kGatherMicroseconds = 1000;
// A batch's room for lines: about 800 typical lines, and below the chunk
// size the pool keeps.
constexpr size_t kBatchBytes = 32 * 1024;
// Idle batches kept for reuse (1 MiB).
constexpr size_t kIdleBatches = 32;

typedef ACE_Guard<ACE_Thread_Mutex> Guard;

size_t usedBytes(const ACE_Message_Block* block) {
  return static_cast<size_t>(block->wr_ptr() - block->base());
}

}  // namespace

oRYXProfileWriter::oRYXProfileWriter()
    : ACE_Task<ACE_MT_SYNCH>(nullptr, new oryx::BatchQueue),
      m_queue(static_cast<oryx::BatchQueue*>(msg_queue())),
      m_blocks(kBatchBytes, kIdleBatches) {
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
  Guard guard(oryx::profile::profileLock);
  if (line != nullptr) return appendLocked(line, ACE_OS::strlen(line));
  if (!m_accepting.exchange(false, std::memory_order_acq_rel)) return 0;
  if (m_batch != nullptr) handOverLocked();
  ACE_Message_Block* marker = new (std::nothrow) ACE_Message_Block(0, ACE_Message_Block::MB_STOP);
  if (marker == nullptr) return -1;
  if (putq(marker) == -1) marker->release();
  return 0;
}

int oRYXProfileWriter::appendLocked(const char* bytes, size_t length) {
  if (!m_accepting.load(std::memory_order_acquire)) return 0;
  if (m_batch != nullptr && oryx::BlockPool::textBytes(m_batch) - usedBytes(m_batch) < length) {
    handOverLocked();
  }
  if (m_batch == nullptr) {
    // A line longer than a batch gets a block of its own.
    m_batch = m_blocks.make(length > kBatchBytes ? length : kBatchBytes, 0);
    if (m_batch == nullptr) return -1;
  }
  ACE_OS::memcpy(m_batch->wr_ptr(), bytes, length);
  addLine(length);
  return 0;
}

char* oRYXProfileWriter::lineRoom() {
  if (!m_accepting.load(std::memory_order_acquire)) return nullptr;
  if (m_batch == nullptr) m_batch = m_blocks.make(kBatchBytes, 0);
  return m_batch == nullptr ? nullptr : m_batch->wr_ptr();
}

void oRYXProfileWriter::addLine(size_t length) {
  m_batch->wr_ptr(length);
  if (m_serviceWaiting ||
      oryx::BlockPool::textBytes(m_batch) - usedBytes(m_batch) < oryx::profile::kLineBuffer) {
    handOverLocked();
  }
}

void oRYXProfileWriter::handOverLocked() {
  ACE_Message_Block* batch = m_batch;
  m_batch = nullptr;
  if (batch->length() == 0 || putq(batch) == -1) {
    m_blocks.recycle(batch);
    return;
  }
  // The batch wakes the service thread: later lines gather again.
  m_serviceWaiting = false;
}

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
      m_file.append(block->rd_ptr(), block->length());
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
  // queue, adding a line wakes nobody (no system call on the callers' side).
  m_file.flush();
  ACE_OS::sleep(ACE_Time_Value(0, kGatherMicroseconds));
  {
    // The lines gathered meanwhile go behind the batches already queued;
    // with nothing to take, the next line is handed over at once (and
    // wakes this thread).
    Guard guard(oryx::profile::profileLock);
    if (m_batch != nullptr && m_batch->length() != 0) handOverLocked();
    else if (m_queue->is_empty()) m_serviceWaiting = true;
  }
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
  m_file.close();
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
