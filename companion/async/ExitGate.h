// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_EXITGATE_H
#define ORYXUTIL_COMPANION_ASYNC_EXITGATE_H

// At process exit ACE tears down its own singletons (logging, the
// bookkeeping of its threads) in its static destructor, while the caller's
// other threads may still be inside the library. Every library step that
// needs those singletons - starting or ending a thread through ACE, logging
// through ACE - passes this gate. The library's own static destructor runs
// before ACE's: it closes the gate and waits for the steps in flight, so ACE
// never tears down under one. Once the gate is closed a step is refused and
// its caller takes a path that needs no ACE singleton.
// Threads: any thread. A forked child starts with no step in flight.

namespace oryx {
namespace exitgate {

// True (and the step counts as in flight until leave()) unless the process
// is exiting.
bool enter();
void leave();

// True once the process is exiting.
bool closed();

// Runs `step` once when the process exits, before the gate closes (so its
// thread starts and ends still pass): for a writer that lives as long as the
// process and must be complete at exit. At most four steps; false when
// there is no room or the process is exiting already.
bool atExit(void (*step)());

}  // namespace exitgate
}  // namespace oryx

#endif
