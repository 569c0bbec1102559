// SPDX-License-Identifier: Apache-2.0
#include "SignalCleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace oryxtool {

namespace {

const int kHandled[] = {SIGINT, SIGTERM, SIGHUP};

const Temporaries* volatile g_watched = nullptr;
volatile sig_atomic_t g_progressShown = 0;
pthread_t g_mainThread;
pid_t g_mainTid = 0;

sigset_t handledSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kHandled) sigaddset(&set, signal);
  return set;
}

bool isDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// One pass over the directory, unlinking what it finds; how many it removed.
int unlinkEntries(int fd) {
  alignas(8) char buffer[4096];
  int removed = 0;
  ::lseek(fd, 0, SEEK_SET);
  for (;;) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof(buffer));
    if (got <= 0) return removed;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      if (!isDotEntry(entry->d_name) && ::unlinkat(fd, entry->d_name, 0) == 0) ++removed;
      at += entry->d_reclen;
    }
  }
}

void onSignal(int signal) {
  // Threads of the writers may take the signal; the main thread, which owns
  // the record, does the undoing.
  if (static_cast<pid_t>(::syscall(SYS_gettid)) != g_mainTid) {
    const int savedErrno = errno;
    ::pthread_kill(g_mainThread, signal);
    errno = savedErrno;
    return;
  }
  if (g_progressShown) {
    static const char kErase[] = "\r\033[K";
    ssize_t ignored = ::write(STDERR_FILENO, kErase, sizeof(kErase) - 1);
    (void)ignored;
  }
  const Temporaries* watched = g_watched;
  if (watched != nullptr) removeTemporaries(*watched);
  ::_exit(signal == SIGINT || signal == SIGTERM ? 128 + signal : 1);
}

}  // namespace

void removeTemporaries(const Temporaries& temporaries) {
  if (temporaries.fd >= 0) {
    // Removing entries moves the others; passes go on until one finds none.
    while (unlinkEntries(temporaries.fd) > 0) {
    }
    ::unlinkat(temporaries.holderFd, temporaries.name, AT_REMOVEDIR);
  }
  if (temporaries.lockHolderFd >= 0) ::unlinkat(temporaries.lockHolderFd, temporaries.lockName, 0);
  for (int i = temporaries.createdCount - 1; i >= 0; --i) {
    ::unlinkat(temporaries.created[i].parentFd, temporaries.created[i].name, AT_REMOVEDIR);
  }
}

void installSignalCleanup() {
  g_mainThread = ::pthread_self();
  g_mainTid = static_cast<pid_t>(::syscall(SYS_gettid));
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = onSignal;
  action.sa_mask = handledSet();  // one undoing at a time
  for (int signal : kHandled) {
    // A signal ignored from the start (nohup, a background job) stays ignored.
    struct sigaction old;
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

void watchTemporaries(const Temporaries* temporaries) { g_watched = temporaries; }

void setProgressShown(bool shown) { g_progressShown = shown ? 1 : 0; }

SignalBlock::SignalBlock() {
  const sigset_t set = handledSet();
  ::pthread_sigmask(SIG_BLOCK, &set, &m_old);
}

SignalBlock::~SignalBlock() { ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }

}  // namespace oryxtool
