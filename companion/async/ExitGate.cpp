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

// Waits as long as the steps in flight take: each is a thread start, a
// thread end or one log line, which always finishes, though on a loaded
// machine a thread may wait seconds to run.
void close() {
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

}  // namespace exitgate
}  // namespace oryx
