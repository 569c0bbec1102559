// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_FORKWATCH_H
#define ORYXUTIL_COMPANION_ASYNC_FORKWATCH_H

// Objects that own a running thread (or a lock shared with one) take part
// in fork() through this registry. Just before a fork every watched object
// takes the locks its thread shares with its callers, in the order the
// objects were first watched (so a lock that callers hold while they take
// another is watched first); after the fork the parent's objects release
// them in the opposite order, and the child's release them and learn that
// the thread is not theirs (the child has only the thread that forked).
// Ownership: the registry keeps pointers only; an object unwatches itself
// before it is destroyed. In the child an object stays watched only when
// its unlockInChild() says so.
// Threads: watch/unwatch from any thread; the hooks run on the forking thread.

namespace oryx {

class ForkAware {
 public:
  virtual void lockForFork() = 0;
  virtual void unlockInParent() = 0;
  // True to stay watched in the child.
  virtual bool unlockInChild() = 0;

 protected:
  ~ForkAware() = default;
};

void watchForks(ForkAware* object);
void unwatchForks(ForkAware* object);

// Keeps an object reachable for ever and never destroyed: in a forked child
// one whose condition variable the parent's thread was waiting on (it would
// wait for that thread for ever if destroyed), or one that the exiting
// process cannot destroy safely any more.
void keepForever(const void* object);

}  // namespace oryx

#endif
