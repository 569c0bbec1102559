// SPDX-License-Identifier: Apache-2.0
#include "companion/async/BatchQueue.h"

#include <ace/Guard_T.h>

#include <cerrno>

namespace oryx {

int BatchQueue::dequeue_all(ACE_Message_Block*& first, ACE_Time_Value* timeout) {
  ACE_GUARD_RETURN(ACE_SYNCH_MUTEX, guard, lock_, -1);
  if (state_ == ACE_Message_Queue_Base::DEACTIVATED) {
    errno = ESHUTDOWN;
    return -1;
  }
  // A poll of an empty queue answers at once, without a timed wait.
  if (head_ == nullptr && timeout != nullptr && *timeout == ACE_Time_Value::zero) {
    errno = EWOULDBLOCK;
    return -1;
  }
  if (wait_not_empty_cond(timeout) == -1) return -1;
  const size_t taken = cur_count_;
  first = head_;
  head_ = tail_ = nullptr;
  cur_bytes_ = cur_length_ = cur_count_ = 0;
  // The queue is empty now: every producer waiting for room may go on.
  not_full_cond_.broadcast();
  return static_cast<int>(taken);
}

}  // namespace oryx
