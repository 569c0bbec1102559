#ifndef ORYXUTIL_PROFILE_PROFILEWRITER_H
#define ORYXUTIL_PROFILE_PROFILEWRITER_H

// The back end of the profiler: a task whose one service thread, started
// when the library loads, takes the profiler's lines off the callers'
// threads. Callers add lines, in the order they happen, to one pending
// batch (a block of up to 32 KiB of lines, under the profiler's lock, which
// the named-timer operations hold anyway); a full batch goes on the queue.
// The service thread hands over the pending batch itself when the queue runs
// dry, and a caller hands it over at once while that thread sleeps on an
// empty queue, so no line waits for more than a nap. A queued block has size
// 0, so the queue's byte count stays 0 and queueing never blocks.
// Destination, read at load: OX_PROFILE_FILE names a file that the service
// thread appends every line to (flushed whenever the queue runs empty);
// unset (or not openable), the thread drops the lines. The thread naps
// 1 ms whenever the queue runs empty, so a busy caller seldom has to wake it.
// After the end marker (exit(), or unloading) callers' lines are dropped at
// once. A forked child has no service thread: its lines are dropped too.
// Threads: enqueue() from any thread; lineRoom()/addLine() with
// profileLock held; one service thread writes the lines in order.

#include <ace/Task.h>

#include <atomic>

#include "companion/async/BatchQueue.h"
#include "companion/async/BlockPool.h"
#include "profile/ProfileFile.h"

class oRYXProfileWriter : public ACE_Task<ACE_MT_SYNCH> {
 public:
  // Reads the profiler's switches (only the presence of
  // OX_PROFILE_NO_WRITE_START / OX_PROFILE_NO_WRITE_INDENT counts) and the
  // destination.
  oRYXProfileWriter();
  ~oRYXProfileWriter() override;

  // The process's writer: created and started once, at load; never deleted.
  static oRYXProfileWriter* createAtLoad();

  // Adds a copy of the zero-terminated line behind the lines added so far;
  // a null line queues the end marker instead, behind them. Takes
  // profileLock. Result: 0 (also when the line is dropped), -1 when memory
  // runs out.
  int enqueue(const char* line);

  // A line formatted in place, with profileLock held: lineRoom() is room for
  // a whole line at the end of the pending batch (null when lines are
  // dropped or memory runs out); addLine() then adds the first `length`
  // bytes written there.
  char* lineRoom();
  void addLine(size_t length);

  // The service loop: writes or drops each line until the end marker.
  int svc() override;

  // Unloading: queues the end marker and joins the service thread. Does
  // nothing in a forked child, nor when called again.
  void shutdown();

 private:
  bool start();
  // With profileLock held: `length` bytes added to the pending batch, which
  // is queued first when they do not fit.
  int appendLocked(const char* bytes, size_t length);
  // With profileLock held: queues the pending batch.
  void handOverLocked();
  // Every queued block, oldest first and linked through next(), waiting as
  // long as it takes for one; null once the queue is shut down.
  ACE_Message_Block* takeLines();
  static void beforeFork();
  static void afterForkInParent();
  static void afterForkInChild();

  oryx::BatchQueue* const m_queue;  // the task's queue, owned by the task
  std::atomic<bool> m_accepting{false};
  std::atomic<bool> m_forkedChild{false};
  std::atomic<bool> m_stopped{false};
  oryx::profile::ProfileFile m_file;
  // Batches: made on the callers' threads and released on the service
  // thread, so they are recycled rather than freed.
  oryx::BlockPool m_blocks;
  // Guarded by profileLock: the batch being filled (null until the first
  // line after a hand-over), and whether the service thread sleeps on the
  // empty queue, so that the next line must be handed over at once (any
  // hand-over wakes it and clears this).
  ACE_Message_Block* m_batch = nullptr;
  bool m_serviceWaiting = false;
};

#endif
