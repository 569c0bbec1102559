// The writer thread of the boxed-text writer: in local-charset mode the
// caller queues finished blocks and this thread appends them to the file in
// queue order. Ownership: a data block refers to its text without owning
// it; block and text share one chunk of the writer's block pool, which
// whoever takes the block off the queue recycles after writing the text.
// The stop block (from the heap) ends the thread.

#include "export/txt/TXTFormatFile.h"

#include "companion/async/ExitGate.h"
#include "companion/trace/Report.h"

#include <ace/Message_Block.h>
#include <ace/OS_NS_unistd.h>
#include <ace/Thread_Manager.h>

#include <sys/uio.h>

#include <cerrno>

namespace {

// The text space of the blocks that carry records to the writer thread:
// each holds as many whole records as fit, in a chunk small enough for
// the pool to keep (64 KiB), so the queue's lock and the wake-ups are paid
// once per block, not per record.
const size_t kBatchText = 60 * 1024;
// The bytes of blocks the queue holds before the caller waits, and the
// idle blocks kept: with the block being filled and those being written,
// the memory in flight stays near 2 MiB however many records there are.
const size_t kQueuedBytes = 1024 * 1024;
const size_t kIdleBlocks = 2 * kQueuedBytes / kBatchText;
// How long the writer thread naps when it finds the queue empty: long
// enough for a busy caller to fill a block, short enough that the caller
// seldom fills the queue meanwhile.
const suseconds_t kGatherMicroseconds = 200;

// Its lock is held across fork(), so that a child never inherits it taken.
class ForkableThreadManager : public ACE_Thread_Manager {
 public:
  ACE_Thread_Mutex& lock() { return lock_; }
};

}  // namespace

ACE_Thread_Manager* TXTFormatFile::newThreadManager() { return new ForkableThreadManager; }

bool TXTFormatFile::startWriterThread() {
  // Starting a thread through ACE must not overlap ACE's teardown at exit;
  // the thread leaves the gate once it runs.
  if (!oryx::exitgate::enter()) {
    errno = ESHUTDOWN;
    return false;
  }
  // Watched from before the thread exists, so no fork finds it unwatched.
  oryx::watchForks(this);
  // Flags 0: one joinable thread that the writer's own manager waits for.
  // In a forked child the parent's thread still counts, so none starts.
  if (activate(0, 1, 0, 0, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != 0) {
    oryx::unwatchForks(this);
    oryx::exitgate::leave();
    return false;
  }
  m_threadRunning = true;
  return true;
}

oryx::BatchQueue* TXTFormatFile::newQueue() {
  oryx::BatchQueue* queue = new oryx::BatchQueue;
  queue->high_water_mark(kQueuedBytes);
  queue->low_water_mark(kQueuedBytes);
  return queue;
}

oryx::BlockPool TXTFormatFile::newBlockPool() { return oryx::BlockPool(kBatchText, kIdleBlocks); }

char* TXTFormatFile::reserveText(size_t bytes) {
  if (m_batch != nullptr && m_batch->space() >= bytes) return m_batch->wr_ptr();
  sendBatch();
  // A record larger than a block gets a block of its own size.
  const size_t space = bytes > kBatchText ? bytes : kBatchText;
  // The declared size is the text space, so the queue counts real bytes.
  m_batch = m_maker.make(space, space);
  return m_batch == nullptr ? nullptr : m_batch->wr_ptr();
}

void TXTFormatFile::sendBatch() {
  ACE_Message_Block* batch = m_batch;
  m_batch = nullptr;
  // The records are lost when the queue refuses them.
  if (batch != nullptr && putq(batch) == -1) m_blocks.recycle(batch);
}

void TXTFormatFile::stopWriterThread() {
  sendBatch();
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
  oryx::unwatchForks(this);
  if (ends) {
    // The task's own join: its thread manager's wait joins nothing once ACE
    // has begun to shut down, and this thread's end must be over before ACE
    // tears down.
    wait();
    oryx::exitgate::leave();
  } else {
    m_threadLeft = true;
  }
  m_threadRunning = false;
}

int TXTFormatFile::finishThread() {
  // The thread's end runs ACE's thread bookkeeping, which must not overlap
  // ACE's teardown at exit; the caller leaves the gate once it has joined.
  const bool ends = oryx::exitgate::enter();
  {
    // Notified under the lock: once it is released the caller may destroy
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

void TXTFormatFile::lockForFork() {
  m_queue->lock().acquire();
  static_cast<ForkableThreadManager*>(thr_mgr())->lock().acquire();
}

void TXTFormatFile::unlockInParent() {
  static_cast<ForkableThreadManager*>(thr_mgr())->lock().release();
  m_queue->lock().release();
}

void TXTFormatFile::unlockInChild() {
  static_cast<ForkableThreadManager*>(thr_mgr())->lock().release();
  m_queue->lock().release();
  // The parent's thread writes every block queued so far: the child's copies
  // are dropped, and so are the bytes its copy of the file still buffers.
  releaseQueuedBlocks();
  m_file.abandon();
  // The parent's thread may be waiting on the queue's condition, which the
  // child could then never destroy: the queue stays, unused, for ever.
  delete_msg_queue_ = false;
  oryx::keepForever(m_queue);
  m_threadRunning = false;
  m_threadLeft = true;
}

void TXTFormatFile::releaseQueuedBlocks() {
  m_blocks.recycle(m_batch);
  m_batch = nullptr;
  ACE_Time_Value now(ACE_Time_Value::zero);
  ACE_Message_Block* first = nullptr;
  while (m_queue->dequeue_all(first, &now) != -1) m_blocks.releaseChain(first);
}

namespace {

// The record blocks of a batch on their way into the file: a few bytes
// (the last block of a document) are copied into the file's buffer, full
// blocks written straight from where they lie with one gathered write;
// then the blocks are recycled.
class GatheredBlocks {
 public:
  GatheredBlocks(oryx::ExportFile& file, oryx::BlockPool& blocks) : m_file(file), m_recycler(blocks) {}
  ~GatheredBlocks() { write(); }

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
        m_file.append(static_cast<const char*>(m_pieces[k].iov_base), m_pieces[k].iov_len);
      }
      m_file.flushIfFull();
    } else {
      m_file.writeGathered(m_pieces, static_cast<int>(m_count));
    }
    for (size_t k = 0; k < m_count; ++k) m_recycler.recycle(m_blocks[k]);
    m_recycler.giveAll();
    m_count = 0;
    m_bytes = 0;
  }

 private:
  static const size_t kMaxPieces = 1024;  // IOV_MAX on Linux
  static const size_t kCopiedBytes = 16 * 1024;

  oryx::ExportFile& m_file;
  oryx::BlockPool::Recycler m_recycler;
  struct iovec m_pieces[kMaxPieces];
  ACE_Message_Block* m_blocks[kMaxPieces];
  size_t m_count = 0;
  size_t m_bytes = 0;
};

}  // namespace

int TXTFormatFile::svc() {
  oryx::exitgate::leave();  // the thread's start is over
  for (;;) {
    // Everything queued so far at once: the caller meets this thread on the
    // queue's lock once per batch, not once per record.
    ACE_Message_Block* block = nullptr;
    ACE_Time_Value now(ACE_Time_Value::zero);
    if (m_queue->dequeue_all(block, &now) == -1) {
      // The queue ran empty: a short nap lets the caller's records gather.
      // While this thread is not waiting on the queue, queueing a record
      // wakes nobody (no system call on the caller's side).
      ACE_OS::sleep(ACE_Time_Value(0, kGatherMicroseconds));
      if (m_queue->dequeue_all(block) == -1) {
        oryx::report("TXTFormatFile::svc getq return -1!");
        continue;
      }
    }
    GatheredBlocks gathered(m_file, m_blocks);
    while (block != nullptr) {
      ACE_Message_Block* next = block->next();
      block->next(nullptr);
      if (block->msg_type() == ACE_Message_Block::MB_STOP) {
        // The caller queues nothing after a stop block until this thread
        // has ended, so the stop block is the last of its batch.
        gathered.write();
        block->release();
        m_blocks.releaseChain(next);
        return finishThread();
      }
      gathered.add(block);
      block = next;
    }
  }
}
