#ifndef ORYXUTIL_BENCH_FLOORSTREAM_H
#define ORYXUTIL_BENCH_FLOORSTREAM_H

// The floor of the export benchmarks: precomputed bytes copied into one
// 64 KiB buffer that leaves with write(2) when full -- the least any
// buffered writer of the same bytes can do. No error handling: bench only.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace oryxbench {

class FloorStream {
 public:
  explicit FloorStream(const std::string& path)
      : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {}
  ~FloorStream() {
    flush();
    ::close(m_fd);
  }
  FloorStream(const FloorStream&) = delete;
  FloorStream& operator=(const FloorStream&) = delete;

  void write(const std::string& bytes) {
    if (m_used + bytes.size() > sizeof(m_buffer)) flush();
    std::memcpy(m_buffer + m_used, bytes.data(), bytes.size());  // every piece is < 64 KiB
    m_used += bytes.size();
  }

 private:
  void flush() {
    if (m_used > 0 && ::write(m_fd, m_buffer, m_used) < 0) m_used = 0;
    m_used = 0;
  }

  int m_fd;
  size_t m_used = 0;
  char m_buffer[64 * 1024];
};

// Where the benchmark files go: $ORYX_BENCH_DIR (e.g. /dev/shm to leave the
// disk out), else /tmp.
inline std::string benchDir() {
  const char* dir = std::getenv("ORYX_BENCH_DIR");
  return dir && *dir ? dir : "/tmp";
}

// A file's bytes, to check that a writer and its floor wrote the same.
inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace oryxbench

#endif
