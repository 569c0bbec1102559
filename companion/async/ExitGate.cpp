// SPDX-License-Identifier: Apache-2.0
#include "companion/async/ExitGate.h"

#include <ace/Object_Manager.h>

#include <pthread.h>
#include <time.h>

#include <atomic>

namespace oryx {
namespace exitgate {

namespace {

// The steps in flight, plus kClosed once the process exits. A plain
// constant-initialised atomic: valid before any constructor and after every
// destructor of the library.
constexpr unsigned kClosed = 1u << 31;
std::atomic<unsigned> s_state{0};

// The steps run at exit, in the order they came; taken once by the first
// close().
constexpr unsigned kMaxExitSteps = 4;
std::atomic<void (*)()> s_exitSteps[kMaxExitSteps] = {};
std::atomic<unsigned> s_exitStepCount{0};
std::atomic<bool> s_exitStepsRun{false};

void runExitSteps() {
  if (s_exitStepsRun.exchange(true, std::memory_order_acq_rel)) return;
  const unsigned count = s_exitStepCount.load(std::memory_order_acquire);
  for (unsigned k = 0; k < count && k < kMaxExitSteps; ++k) {
    if (void (*step)() = s_exitSteps[k].load(std::memory_order_acquire)) step();
  }
}

// Waits as long as the steps in flight take: each is a thread start, a
// thread end or one log line, which always finishes, though on a loaded
// machine a thread may wait seconds to run.
void close() {
  runExitSteps();
  s_state.fetch_or(kClosed, std::memory_order_acq_rel);
  const struct timespec nap = {0, 1000000};
  while ((s_state.load(std::memory_order_acquire) & ~kClosed) != 0) ::nanosleep(&nap, nullptr);
}

// A forked child has only the thread that forked: no step of another
// thread is in flight there.
void afterForkInChild() { s_state.fetch_and(kClosed, std::memory_order_acq_rel); }

void closeBeforeAce(void*, void*) { close(); }

// ACE runs its exit hooks before it tears anything down, whatever order the
// dynamic linker finalizes the libraries in (which is not fixed: ACE comes to
// depend on this library as it binds symbols at run time); the library's own
// destructor closes the gate too, for a process whose ACE never tears down.
struct Gate {
  Gate() {
    ::pthread_atfork(nullptr, nullptr, afterForkInChild);
    ACE_Object_Manager::at_exit(&s_state, closeBeforeAce, nullptr, "oryxutil exit gate");
  }
  ~Gate() { close(); }
} gate;

}  // namespace

bool enter() {
  unsigned state = s_state.load(std::memory_order_acquire);
  do {
    if (state & kClosed) return false;
  } while (!s_state.compare_exchange_weak(state, state + 1, std::memory_order_acq_rel));
  return true;
}

void leave() { s_state.fetch_sub(1, std::memory_order_acq_rel); }

bool closed() { return (s_state.load(std::memory_order_acquire) & kClosed) != 0; }

bool atExit(void (*step)()) {
  if (closed()) return false;
  const unsigned slot = s_exitStepCount.fetch_add(1, std::memory_order_acq_rel);
  if (slot >= kMaxExitSteps) return false;
  s_exitSteps[slot].store(step, std::memory_order_release);
  return true;
}

}  // namespace exitgate
}  // namespace oryx
