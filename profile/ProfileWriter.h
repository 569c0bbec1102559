#ifndef ORYXUTIL_PROFILE_PROFILEWRITER_H
#define ORYXUTIL_PROFILE_PROFILEWRITER_H

// The back end of the profiler: a task whose one service thread, started
// when the library loads, takes the profiler's lines off the callers'
// threads. A queued line is a heap copy referred to by a block of size 0, so
// the queue's byte count stays 0 and enqueueing never blocks.
// Destination, read at load: OX_PROFILE_FILE names a file that the service
// thread appends every line to (flushed whenever the queue runs empty);
// unset (or not openable), the thread drops the lines. The thread naps
// 1 ms whenever the queue runs empty, so a busy caller seldom has to wake it.
// After the end marker (exit(), or unloading) callers' lines are dropped at
// once. A forked child has no service thread: its lines are dropped too.
// Threads: enqueue() from any thread; one service thread drains the queue in
// first-in, first-out order.

#include "companion/queue/BatchQueue.h"
#include "companion/queue/BlockPool.h"
#include "profile/ProfileFile.h"

#include <ace/Task.h>

#include <atomic>

class oRYXProfileWriter : public ACE_Task<ACE_MT_SYNCH> {
 public:
  // Reads the profiler's switches (only the presence of
  // OX_PROFILE_NO_WRITE_START / OX_PROFILE_NO_WRITE_INDENT counts) and the
  // destination.
  oRYXProfileWriter();
  ~oRYXProfileWriter() override;

  // The process's writer: created and started once, at load; never deleted.
  static oRYXProfileWriter* createAtLoad();

  // Queues a copy of the zero-terminated line; a null line queues the end
  // marker instead. Result: putq's result, 0 when the line was dropped.
  int enqueue(const char* line);

  // For a line formatted in place: a block with room for a whole line
  // (null when lines are dropped or memory runs out), then queued, or
  // discarded unqueued. Result of queueLine: as enqueue.
  ACE_Message_Block* makeLine();
  int queueLine(ACE_Message_Block* block);
  void discardLine(ACE_Message_Block* block);

  // The service loop: writes or drops each line until the end marker.
  int svc() override;

  // Unloading: queues the end marker, joins the service thread and drops
  // lines that raced past the marker. Does nothing in a forked child, nor
  // when called again.
  void shutdown();

 private:
  bool start();
  // Every queued block, oldest first and linked through next(), waiting as
  // long as it takes for one; null once the queue is shut down.
  ACE_Message_Block* takeLines();
  void drainLeftovers();
  static void beforeFork();
  static void afterForkInParent();
  static void afterForkInChild();

  oryx::BatchQueue* const m_queue;  // the task's queue, owned by the task
  std::atomic<bool> m_accepting{false};
  std::atomic<bool> m_forkedChild{false};
  std::atomic<bool> m_stopped{false};
  oryx::profile::ProfileFile m_file;
  // Line blocks: made on the callers' threads and released on the service
  // thread, so they are recycled rather than freed.
  oryx::BlockPool m_blocks;
};

#endif
