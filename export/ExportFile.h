#ifndef ORYXUTIL_EXPORT_EXPORTFILE_H
#define ORYXUTIL_EXPORT_EXPORTFILE_H

// The output file of an export writer: bytes are gathered in one growing
// buffer and leave with write(2) on flush(), so a writer that flushes once
// per record costs one system call per record.
// The state is sticky like a stream's: after a failed write or close the
// file stays failed (good() false) until the next open(); later appends are
// dropped. errno is left as the failing call set it.
// Threads: one thread writes; good() may be read from another thread.

#include <sys/uio.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace oryx {

// A growing byte buffer that, unlike std::string, leaves bytes made room
// for unset (they are about to be overwritten).
class PendingBytes {
 public:
  const char* data() const { return m_data.get(); }
  size_t size() const { return m_size; }
  void clear() { m_size = 0; }
  void append(const char* data, size_t size) {
    if (size != 0) std::memcpy(extend(size), data, size);
  }
  void push_back(char c) { *extend(1) = c; }
  char* extend(size_t size) {
    if (m_capacity - m_size < size) grow(size);
    char* at = m_data.get() + m_size;
    m_size += size;
    return at;
  }

 private:
  void grow(size_t size);

  std::unique_ptr<char[]> m_data;
  size_t m_size = 0;
  size_t m_capacity = 0;
};

class ExportFile {
 public:
  // Buffered bytes beyond which flushIfFull() writes them out.
  static const size_t kFlushThreshold = 64 * 1024;

  ExportFile() = default;
  ~ExportFile();  // flushes and closes an open file
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  // Creates or truncates `name` (a backslash is a separator) for writing.
  // False with errno set when it cannot be opened.
  bool open(const std::string& name);
  bool isOpen() const { return m_fd >= 0; }
  bool good() const { return !m_failed.load(std::memory_order_acquire); }
  // The errno of the failure that made the file failed; 0 while it is good.
  int failureErrno() const {
    return m_failed.load(std::memory_order_acquire) ? m_failureErrno.load(std::memory_order_relaxed) : 0;
  }

  void append(const char* data, size_t size) {
    if (!m_failed.load(std::memory_order_relaxed)) m_buffer.append(data, size);
  }
  void append(const std::string& text) { append(text.data(), text.size()); }
  void append(char c) {
    if (!m_failed.load(std::memory_order_relaxed)) m_buffer.push_back(c);
  }
  // For writers that format in place: adds `size` pending bytes, left
  // unset, and returns where they start. After a failure they are dropped
  // at the next flush.
  char* extend(size_t size) { return m_buffer.extend(size); }

  // Writes the pending bytes. False (and failed from then on) on error.
  bool flush();
  // Writes the pending bytes and then `count` pieces straight from where
  // they lie (no copy into the buffer). False (and failed) on error.
  bool writeGathered(const struct iovec* pieces, int count);
  bool flushIfFull() { return m_buffer.size() < kFlushThreshold || flush(); }
  // Flushes and closes; false when either failed or the file had failed.
  bool close();
  // Closes without writing the pending bytes: for a forked child, whose
  // copy of them is the parent's to write.
  void abandon();

 private:
  // Marks the file failed with `error`, unless it failed already.
  void fail(int error);

  int m_fd = -1;
  PendingBytes m_buffer;
  std::atomic<bool> m_failed{false};
  std::atomic<int> m_failureErrno{0};  // published before m_failed
};

}  // namespace oryx

#endif
