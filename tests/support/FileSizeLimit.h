// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_SUPPORT_FILESIZELIMIT_H
#define ORYXUTIL_TESTS_SUPPORT_FILESIZELIMIT_H

// A disk that fills up: while in scope, writes that would grow any file of
// the process beyond `bytes` fail with EFBIG (27) instead of raising SIGXFSZ.

#include <signal.h>
#include <sys/resource.h>

namespace oryxtest {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = m_old;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    ::signal(SIGXFSZ, m_oldHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  struct rlimit m_old;
  sighandler_t m_oldHandler;
};

}  // namespace oryxtest

#endif
