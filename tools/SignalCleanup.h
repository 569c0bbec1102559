// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_SIGNALCLEANUP_H
#define ORYXUTIL_TOOLS_SIGNALCLEANUP_H

// What an unfinished export must undo, kept in plain memory that a signal
// handler may read, and the handler that undoes it: on SIGINT, SIGTERM or
// SIGHUP the temporary directory (with every file in it) and the
// directories the run created are removed, a progress line is erased, and
// the process exits with 130, 143 or 1. SIGPIPE and SIGXFSZ are ignored, so
// a closed pipe or a file-size limit is an ordinary write error.
// The handler runs only on the main thread (another thread that receives a
// signal passes it on), so it never races the code that changes the record;
// that code changes it only inside a SignalBlock.

#include <limits.h>
#include <signal.h>

namespace oryxtool {

struct Temporaries {
  static const int kMaxCreated = 64;
  struct Created {
    int parentFd;
    char name[NAME_MAX + 1];
  };
  int holderFd = -1;     // the directory holding the temporary directory
  char name[96] = "";    // the temporary directory's name in it
  int fd = -1;           // the temporary directory itself
  int lockHolderFd = -1;           // the directory of a lock file the run holds
  char lockName[NAME_MAX + 1] = "";  // removed while still held, so no waiter is stranded
  int createdCount = 0;  // directories the run created, outermost first
  Created created[kMaxCreated];
};

// Removes the temporary directory with its files, the lock file, then the
// created directories, innermost first, when empty. Async-signal-safe.
void removeTemporaries(const Temporaries& temporaries);

// Installs the handlers; call once from the main thread before any other
// thread starts.
void installSignalCleanup();
// The record the handler undoes (null: nothing). Call inside a SignalBlock.
void watchTemporaries(const Temporaries* temporaries);
// Whether a progress line is on the terminal and must be erased.
void setProgressShown(bool shown);

// Holds the handled signals back for one scope; they arrive at its end.
class SignalBlock {
 public:
  SignalBlock();
  ~SignalBlock();
  SignalBlock(const SignalBlock&) = delete;
  SignalBlock& operator=(const SignalBlock&) = delete;

 private:
  sigset_t m_old;
};

}  // namespace oryxtool

#endif
