#ifndef ORYXUTIL_EXPORT_EXPORTFILE_H
#define ORYXUTIL_EXPORT_EXPORTFILE_H

// The output file of an export writer: bytes are gathered in one growing
// buffer and leave with write(2) on flush(), so a writer that flushes once
// per record costs one system call per record.
// The state is sticky like a stream's: after a failed write or close the
// file stays failed (good() false) until the next open(); later appends are
// dropped. errno is left as the failing call set it.
// Threads: one thread writes; good() may be read from another thread.

#include <atomic>
#include <cstddef>
#include <string>

namespace oryx {

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

  void append(const char* data, size_t size) {
    if (!m_failed.load(std::memory_order_relaxed)) m_buffer.append(data, size);
  }
  void append(const std::string& text) { append(text.data(), text.size()); }
  void append(char c) {
    if (!m_failed.load(std::memory_order_relaxed)) m_buffer.push_back(c);
  }
  // The pending bytes, for writers that format in place.
  std::string& buffer() { return m_buffer; }

  // Writes the pending bytes. False (and failed from then on) on error.
  bool flush();
  bool flushIfFull() { return m_buffer.size() < kFlushThreshold || flush(); }
  // Flushes and closes; false when either failed or the file had failed.
  bool close();

 private:
  int m_fd = -1;
  std::string m_buffer;
  std::atomic<bool> m_failed{false};
};

}  // namespace oryx

#endif
