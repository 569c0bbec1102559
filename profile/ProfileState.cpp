// SPDX-License-Identifier: Apache-2.0
#include "profile/ProfileState.h"

#include "companion/async/AdaptiveMutex.h"
#include "companion/async/ForkWatch.h"

#include <ace/Guard_T.h>

namespace oryx {
namespace profile {

// Defined together so that one translation unit fixes the load order.
TimerTable& timerTable = *new TimerTable;
// Threads that profile at once meet on the lock briefly each time.
ACE_Thread_Mutex& profileLock = *new AdaptiveMutex;
size_t indentSteps = 0;

namespace {

// Watched from load on, before any writer: the fork hooks take the locks in
// the order they were watched, the order in which the profiler nests them.
struct LockAcrossFork : ForkAware {
  LockAcrossFork() { watchForks(this); }
  void lockForFork() override { profileLock.acquire(); }
  void unlockInParent() override { profileLock.release(); }
  bool unlockInChild() override {
    profileLock.release();
    return true;  // the child's own lock: its forks need the same care
  }
};
LockAcrossFork* const lockAcrossFork = new LockAcrossFork;

// Unloading discards the timers.
struct Unload {
  ~Unload() {
    ACE_Guard<ACE_Thread_Mutex> guard(profileLock);
    timerTable.clear();
    indentSteps = 0;
  }
} unload;

}  // namespace

}  // namespace profile
}  // namespace oryx
