// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_BACKGROUNDWRITER_H
#define ORYXUTIL_COMPANION_ASYNC_BACKGROUNDWRITER_H

// Appends bytes to an OutputFile on a thread of its own, so that producers
// never wait for the disk. Producers lay their bytes out in place, in
// recycled blocks of many records (room() / commit()); a full block goes on
// the queue, and the thread writes each block's bytes in queue order. When
// the queue runs empty the thread flushes the file and naps briefly, so
// that a busy producer's bytes gather into whole blocks and queueing wakes
// nobody.
// Producers: either one thread at a time that sends only full blocks (and
// send() / stop() at the end), or any threads that call room() / commit()
// while holding the `producers` lock given in the settings; the thread then
// also takes the block being filled after each nap, so no byte waits
// longer than a nap. Or a producer that gathers its own bytes on the thread
// (Settings::collect).
// Results: start() false (errno set) when no thread starts: the process is
// exiting (ESHUTDOWN) or ACE cannot start one; room() null when memory runs
// out, or after stop() or a fork (see below), when bytes are refused. Write
// failures stay in the file (OutputFile::good()).
// Ownership: the file is the caller's and must outlive the thread; blocks
// belong to this object.
// Process life: one strategy for fork and one for exit, shared by every
// background writer. fork(): the queue's and the thread manager's locks
// are held across it (ForkWatch); the child's copy gives up the parent's
// thread, drops its copies of the queued bytes and closes its descriptor
// without writing, then refuses bytes. exit(): the thread's start and end
// pass the exit gate; once the process exits, a thread that ends is left to
// the exit instead of being joined. A writer that must be complete at exit
// (one that lives as long as the process) stops itself in an exit-gate step.
// Threads: as above; stop() from the producer side; running() from it.

#include "companion/async/BatchQueue.h"
#include "companion/async/BlockPool.h"
#include "companion/async/ForkWatch.h"

#include <ace/Synch_Traits.h>
#include <ace/Task_T.h>

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace oryx {

class OutputFile;

class BackgroundWriter : public ACE_Task<ACE_MT_SYNCH>, private ForkAware {
 public:
  struct Settings {
    size_t blockBytes;             // text space of a block (more for a larger room())
    size_t idleBlocks;             // idle blocks kept for reuse
    size_t queuedBytes;            // bytes queued before a producer waits; 0: never waits
    suseconds_t napMicroseconds;   // the nap when the queue runs empty
    ACE_Thread_Mutex* producers;   // the producers' lock, or null for one producer thread
    const char* takeFailed;        // reported when taking from the queue fails (null: nothing)
    // A producer that gathers its bytes itself (null: none): the thread calls
    // collect(collectContext, false) after each nap, and with `last` true once
    // more before it ends; it appends straight to the file and says whether
    // it found anything. The thread then never waits on the empty queue: it
    // naps, up to 16 naps at a time while nothing comes.
    bool (*collect)(void* context, bool last);
    void* collectContext;
  };

  BackgroundWriter(OutputFile& file, const Settings& settings);
  ~BackgroundWriter() override;  // stops a running thread first
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Starts the thread; bytes are accepted from then on.
  bool start();
  // A thread was started and not yet stopped.
  bool running() const { return m_threadRunning; }

  // At least `bytes` writable bytes at the end of the block being filled
  // (queued first when it lacks the room); commit() then adds the first
  // `bytes` written there. Null when bytes are refused or memory runs out.
  char* room(size_t bytes);
  void commit(size_t bytes);
  // Queues the block being filled, if it holds anything.
  void send();
  // Queues what is left and a stop marker, waits until the thread has
  // written everything before it (flushing the file), then joins the
  // thread. Bytes are refused from then on until the next start(). Does
  // nothing without a running thread.
  void stop();
  // Frees the idle blocks (after stop()).
  void trim();

  int svc() override;

 protected:
  // A forked child's side of the fork (see above); a subclass that
  // overrides it calls this one too.
  bool unlockInChild() override;

 private:
  class Gathered;

  ACE_Message_Block* take();
  ACE_Message_Block* collectUntilQueued();
  // With the producers' lock held, after a nap: queues the block being
  // filled, or notes that the next commit() must queue it at once.
  void takeOverPending();
  int finishThread();
  void releaseQueued();

  void lockForFork() override;
  void unlockInParent() override;

  OutputFile& m_output;
  const Settings m_settings;
  BatchQueue* const m_queue;  // the task's queue, owned by the task
  // Blocks: made on the producers' side, written and recycled on the thread.
  BlockPool m_blocks;
  BlockPool::Maker m_maker{m_blocks};
  ACE_Message_Block* m_pending = nullptr;  // the block being filled
  bool m_accepting = false;
  // With the producers' lock: the thread sleeps on the empty queue, so the
  // next commit() queues the block at once (and wakes it).
  bool m_threadWaiting = false;
  bool m_threadRunning = false;  // started and not yet stopped
  // A thread this object no longer joins: the parent's, in a forked child,
  // or one the exiting process keeps.
  bool m_threadLeft = false;
  // The thread's hand-over at its end: every byte is written, and whether
  // it ends (so stop() joins it) or stays until the exit.
  std::mutex m_finishLock;
  std::condition_variable m_finished;
  bool m_threadDone = false;
  bool m_threadEnds = false;
};

}  // namespace oryx

#endif
