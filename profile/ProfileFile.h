#ifndef ORYXUTIL_PROFILE_PROFILEFILE_H
#define ORYXUTIL_PROFILE_PROFILEFILE_H

// The destination of the profile lines: a file opened for appending (so
// several processes may share one), fed by the writer's thread. Bytes are
// gathered and leave with one write(2) per flush. A failed write drops the
// pending bytes and every later line (the profiler reports nothing).
// Threads: used by one thread at a time.

#include <cstddef>
#include <string>

namespace oryx {
namespace profile {

class ProfileFile {
 public:
  // Pending bytes beyond which append() writes them out.
  static const size_t kFlushThreshold = 64 * 1024;

  ProfileFile() = default;
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // Opens (creating it if needed) `path`, a backslash being a separator.
  // False when it cannot be opened.
  bool open(const char* path);
  bool isOpen() const { return m_fd >= 0; }

  void append(const char* bytes, size_t length);
  void flush();
  void close();

 private:
  int m_fd = -1;
  bool m_failed = false;
  std::string m_pending;
};

}  // namespace profile
}  // namespace oryx

#endif
