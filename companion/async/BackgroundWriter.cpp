// SPDX-License-Identifier: Apache-2.0
#include "companion/async/BackgroundWriter.h"

#include "companion/async/ExitGate.h"
#include "companion/io/OutputFile.h"
#include "companion/trace/Report.h"

#include <ace/Guard_T.h>
#include <ace/Message_Block.h>
#include <ace/OS_NS_unistd.h>
#include <ace/Thread_Manager.h>

#include <pthread.h>
#include <signal.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>

namespace oryx {

namespace {

// Its lock is held across fork(), so that a child never inherits it taken.
class ForkableThreadManager : public ACE_Thread_Manager {
 public:
  ACE_Thread_Mutex& lock() { return lock_; }
};

BatchQueue* newQueue(size_t queuedBytes) {
  BatchQueue* queue = new BatchQueue;
  if (queuedBytes != 0) {
    queue->high_water_mark(queuedBytes);
    queue->low_water_mark(queuedBytes);
  }
  return queue;
}

// Holds the producers' lock, if there is one.
class ProducersGuard {
 public:
  explicit ProducersGuard(ACE_Thread_Mutex* lock) : m_lock(lock) {
    if (m_lock != nullptr) m_lock->acquire();
  }
  ~ProducersGuard() {
    if (m_lock != nullptr) m_lock->release();
  }
  ProducersGuard(const ProducersGuard&) = delete;
  ProducersGuard& operator=(const ProducersGuard&) = delete;

 private:
  ACE_Thread_Mutex* const m_lock;
};

}  // namespace

// The blocks of a batch on their way into the file: a few bytes (the last
// block of a document, a few profile lines) are copied into the file's
// buffer, full blocks written straight from where they lie with one
// gathered write; then the blocks are recycled.
class BackgroundWriter::Gathered {
 public:
  Gathered(OutputFile& file, BlockPool& blocks) : m_output(file), m_recycler(blocks) {}
  ~Gathered() { write(); }

  void add(ACE_Message_Block* block) {
    const size_t length = block->length();
    m_pieces[m_count] = {block->base(), length};
    m_blocks[m_count++] = block;
    m_bytes += length;
    if (m_count == kMaxPieces) write();
  }

  void write() {
    if (m_bytes < kCopiedBytes) {
      for (size_t k = 0; k < m_count; ++k) {
        m_output.append(static_cast<const char*>(m_pieces[k].iov_base), m_pieces[k].iov_len);
      }
      m_output.flushIfFull();
    } else {
      m_output.writeGathered(m_pieces, static_cast<int>(m_count));
    }
    for (size_t k = 0; k < m_count; ++k) m_recycler.recycle(m_blocks[k]);
    m_recycler.giveAll();
    m_count = 0;
    m_bytes = 0;
  }

 private:
  static const size_t kMaxPieces = 1024;  // IOV_MAX on Linux
  static const size_t kCopiedBytes = 16 * 1024;

  OutputFile& m_output;
  BlockPool::Recycler m_recycler;
  struct iovec m_pieces[kMaxPieces];
  ACE_Message_Block* m_blocks[kMaxPieces];
  size_t m_count = 0;
  size_t m_bytes = 0;
};

// The writer owns its thread manager, so waiting on it waits for this
// writer's thread alone. The task owns its queue, one that the thread can
// empty in one go.
BackgroundWriter::BackgroundWriter(OutputFile& file, const Settings& settings)
    : ACE_Task<ACE_MT_SYNCH>(new ForkableThreadManager, newQueue(settings.queuedBytes)),
      m_output(file),
      m_settings(settings),
      m_queue(static_cast<BatchQueue*>(msg_queue())),
      m_blocks(settings.blockBytes, settings.idleBlocks) {
  delete_msg_queue_ = true;
}

BackgroundWriter::~BackgroundWriter() {
  if (m_threadRunning) stop();
  ACE_Thread_Manager* manager = thr_mgr();
  thr_mgr(nullptr);
  // Closing a thread manager asks ACE whether it is shutting down, which
  // must not overlap ACE's teardown at exit: once the process exits, the
  // manager is kept instead.
  if (manager != nullptr && exitgate::enter()) {
    // A thread left behind (the parent's, or one the exiting process keeps)
    // is not waited for.
    if (m_threadLeft) manager->wait_on_exit(0);
    else manager->wait(nullptr, false, true);
    delete manager;
    exitgate::leave();
  } else if (manager != nullptr) {
    keepForever(manager);
  }
  // The blocks come from m_blocks, which goes before the task's queue.
  releaseQueued();
}

bool BackgroundWriter::start() {
  // Starting a thread through ACE must not overlap ACE's teardown at exit;
  // the thread leaves the gate once it runs.
  if (!exitgate::enter()) {
    errno = ESHUTDOWN;
    return false;
  }
  // Watched from before the thread exists, so no fork finds it unwatched.
  watchForks(this);
  {
    ProducersGuard guard(m_settings.producers);
    m_accepting = true;
    m_threadWaiting = false;
  }
  // The thread is born with every signal blocked, so that a process which
  // blocks signals later and waits for them on a thread of its own never
  // has one delivered here.
  sigset_t all;
  sigset_t previous;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  // Flags 0: one joinable thread that the writer's own manager waits for.
  // In a forked child the parent's thread still counts, so none starts.
  const int started = activate(0, 1, 0, 0, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  const int startErrno = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (started != 0) {
    {
      ProducersGuard guard(m_settings.producers);
      m_accepting = false;
    }
    unwatchForks(this);
    exitgate::leave();
    errno = startErrno;
    return false;
  }
  m_threadRunning = true;
  return true;
}

char* BackgroundWriter::room(size_t bytes) {
  // The room counts from the block's text space, not its declared size.
  if (m_pending != nullptr &&
      BlockPool::textBytes(m_pending) - static_cast<size_t>(m_pending->wr_ptr() - m_pending->base()) >= bytes) {
    return m_pending->wr_ptr();
  }
  if (!m_accepting) return nullptr;
  send();
  // A request larger than a block gets a block of its own size.
  const size_t space = bytes > m_settings.blockBytes ? bytes : m_settings.blockBytes;
  // Declared as its text space, the queue counts real bytes; declared as
  // 0, it counts nothing and queueing never waits.
  m_pending = m_maker.make(space, m_settings.queuedBytes != 0 ? space : 0);
  return m_pending == nullptr ? nullptr : m_pending->wr_ptr();
}

void BackgroundWriter::commit(size_t bytes) {
  m_pending->wr_ptr(bytes);
  if (m_threadWaiting) send();
}

void BackgroundWriter::send() {
  ACE_Message_Block* block = m_pending;
  m_pending = nullptr;
  if (block == nullptr) return;
  // The bytes are lost when the queue refuses them.
  if (block->length() == 0 || putq(block) == -1) {
    m_blocks.recycle(block);
    return;
  }
  // The block wakes the thread: later bytes gather again.
  m_threadWaiting = false;
}

void BackgroundWriter::stop() {
  if (!m_threadRunning) return;
  {
    ProducersGuard guard(m_settings.producers);
    m_accepting = false;
    send();
  }
  ACE_Message_Block* stop = new ACE_Message_Block(static_cast<ACE_Allocator*>(nullptr));
  stop->msg_type(ACE_Message_Block::MB_STOP);
  // Without a timeout putq fails only on a deactivated queue, which this
  // writer never deactivates; the stop block then always reaches the thread.
  if (putq(stop) == -1) delete stop;
  bool ends;
  {
    std::unique_lock<std::mutex> guard(m_finishLock);
    m_finished.wait(guard, [this] { return m_threadDone; });
    ends = m_threadEnds;
    m_threadDone = false;
  }
  unwatchForks(this);
  if (ends) {
    // The task's own join: its thread manager's wait joins nothing once ACE
    // has begun to shut down, and the thread's end must be over before ACE
    // tears down.
    wait();
    exitgate::leave();
  } else {
    m_threadLeft = true;
  }
  m_threadRunning = false;
}

void BackgroundWriter::trim() {
  m_maker.clear();
  m_blocks.trim();
}

int BackgroundWriter::finishThread() {
  // The thread's end runs ACE's thread bookkeeping, which must not overlap
  // ACE's teardown at exit; the producer leaves the gate once it has joined.
  const bool ends = exitgate::enter();
  {
    // Notified under the lock: once it is released the producer may destroy
    // this writer, and this thread touches it no more.
    std::lock_guard<std::mutex> guard(m_finishLock);
    m_threadEnds = ends;
    m_threadDone = true;
    m_finished.notify_one();
  }
  // The process is exiting: this thread ends with it.
  while (!ends) ACE_OS::sleep(3600);
  return 0;
}

int BackgroundWriter::svc() {
  exitgate::leave();  // the thread's start is over
  for (;;) {
    ACE_Message_Block* block = take();
    Gathered gathered(m_output, m_blocks);
    while (block != nullptr) {
      ACE_Message_Block* next = block->next();
      block->next(nullptr);
      if (block->msg_type() == ACE_Message_Block::MB_STOP) {
        // Nothing is queued after a stop block until this thread has
        // ended, so the stop block is the last of its batch.
        gathered.write();
        if (m_settings.collect != nullptr) m_settings.collect(m_settings.collectContext, true);
        m_output.flush();
        block->release();
        m_blocks.releaseChain(next);
        return finishThread();
      }
      gathered.add(block);
      block = next;
    }
  }
}

ACE_Message_Block* BackgroundWriter::take() {
  // Everything queued so far at once: producers meet this thread on the
  // queue's lock once per batch, not once per block.
  ACE_Message_Block* first = nullptr;
  ACE_Time_Value now(ACE_Time_Value::zero);
  if (m_queue->dequeue_all(first, &now) != -1) return first;
  // The queue ran empty: the file gets what it has so far, then a short nap
  // lets the producers' bytes gather. While this thread is not waiting on
  // the queue, queueing wakes nobody (no system call on their side).
  m_output.flush();
  ACE_OS::sleep(ACE_Time_Value(0, m_settings.napMicroseconds));
  if (m_settings.producers != nullptr) takeOverPending();
  if (m_settings.collect != nullptr) return collectUntilQueued();
  // The queue is never deactivated: this waits until a block comes.
  while (m_queue->dequeue_all(first) == -1) {
    if (m_settings.takeFailed != nullptr) report("%s", m_settings.takeFailed);
  }
  return first;
}

ACE_Message_Block* BackgroundWriter::collectUntilQueued() {
  const suseconds_t shortest = m_settings.napMicroseconds;
  suseconds_t nap = shortest;
  for (;;) {
    const bool found = m_settings.collect(m_settings.collectContext, false);
    ACE_Message_Block* first = nullptr;
    ACE_Time_Value now(ACE_Time_Value::zero);
    if (m_queue->dequeue_all(first, &now) != -1) return first;
    m_output.flush();
    nap = found ? shortest : std::min(nap * 2, 16 * shortest);
    ACE_OS::sleep(ACE_Time_Value(0, nap));
  }
}

void BackgroundWriter::takeOverPending() {
  ACE_Guard<ACE_Thread_Mutex> guard(*m_settings.producers);
  if (m_pending != nullptr && m_pending->length() != 0) send();
  else if (m_queue->is_empty()) m_threadWaiting = true;
}

void BackgroundWriter::releaseQueued() {
  m_blocks.recycle(m_pending);
  m_pending = nullptr;
  ACE_Time_Value now(ACE_Time_Value::zero);
  ACE_Message_Block* first = nullptr;
  while (m_queue->dequeue_all(first, &now) != -1) m_blocks.releaseChain(first);
}

void BackgroundWriter::lockForFork() {
  m_queue->lock().acquire();
  static_cast<ForkableThreadManager*>(thr_mgr())->lock().acquire();
}

void BackgroundWriter::unlockInParent() {
  static_cast<ForkableThreadManager*>(thr_mgr())->lock().release();
  m_queue->lock().release();
}

bool BackgroundWriter::unlockInChild() {
  static_cast<ForkableThreadManager*>(thr_mgr())->lock().release();
  m_queue->lock().release();
  // The parent's thread writes every block queued so far: the child's copies
  // are dropped, and so are the bytes its copy of the file still buffers.
  releaseQueued();
  m_output.abandon();
  m_accepting = false;
  // The parent's thread may be waiting on the queue's condition, which the
  // child could then never destroy: the queue stays, unused, for ever.
  delete_msg_queue_ = false;
  keepForever(m_queue);
  m_threadRunning = false;
  m_threadLeft = true;
  return false;  // the thread is not the child's
}

}  // namespace oryx
