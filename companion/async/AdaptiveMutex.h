// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_ADAPTIVEMUTEX_H
#define ORYXUTIL_COMPANION_ASYNC_ADAPTIVEMUTEX_H

// An ACE_Thread_Mutex that spins for a short while before it sleeps, for
// locks held a few hundred nanoseconds by threads that run at once: there a
// sleep and the wake-up that ends it cost far more than the wait.
// Threads: as ACE_Thread_Mutex.

#include <ace/Thread_Mutex.h>

#include <pthread.h>

namespace oryx {

class AdaptiveMutex : public ACE_Thread_Mutex {
 public:
  AdaptiveMutex() : ACE_Thread_Mutex(nullptr, Attributes().get()) {}

 private:
  class Attributes {
   public:
    Attributes() {
      ::pthread_mutexattr_init(&m_attributes);
      ::pthread_mutexattr_settype(&m_attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
    }
    ~Attributes() { ::pthread_mutexattr_destroy(&m_attributes); }
    pthread_mutexattr_t* get() { return &m_attributes; }

   private:
    pthread_mutexattr_t m_attributes;
  };
};

}  // namespace oryx

#endif
