// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_BATCHQUEUE_H
#define ORYXUTIL_COMPANION_ASYNC_BATCHQUEUE_H

// The message queue of a task whose one consumer thread takes everything
// queued at once: producers then meet the consumer on the queue's lock once
// per batch instead of once per block, and a busy producer seldom has to
// wake a sleeping consumer. Order, water marks and ownership of the blocks
// are those of dequeue_head.
// Threads: any number of producers (enqueue_tail / putq), one consumer.

#include <ace/Condition_Thread_Mutex.h>
#include <ace/Message_Queue_T.h>
#include <ace/Synch_Traits.h>

namespace oryx {

class BatchQueue : public ACE_Message_Queue<ACE_MT_SYNCH> {
 public:
  // Waits like dequeue_head (a null timeout waits as long as it takes,
  // otherwise until that absolute time), then unlinks every queued block:
  // `first` is the oldest and the others follow through next(), the newest
  // having none. The caller owns the blocks taken.
  // Result: the number of blocks taken, or -1 with errno EWOULDBLOCK (time
  // out) or ESHUTDOWN (deactivated), `first` untouched.
  int dequeue_all(ACE_Message_Block*& first, ACE_Time_Value* timeout = nullptr);
};

}  // namespace oryx

#endif
