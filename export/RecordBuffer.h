#ifndef ORYXUTIL_EXPORT_RECORDBUFFER_H
#define ORYXUTIL_EXPORT_RECORDBUFFER_H

// A writer's scratch area for formatting one record before it is appended
// to the output in one piece. It grows to the largest record seen and never
// shrinks, so formatting a record allocates nothing in the steady state.
// Bytes are placed with put(), which copies without bounds checks: the
// caller reserves an upper bound of the record's size first.
// Not thread-safe: owned by one writer.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace oryx {

class RecordBuffer {
 public:
  // Room for at least `size` bytes; the previous content is not kept.
  char* reserve(size_t size) {
    if (size > m_capacity) {
      size_t capacity = m_capacity ? m_capacity : 512;
      while (capacity < size) capacity *= 2;
      m_data.reset(new char[capacity]);
      m_capacity = capacity;
    }
    return m_data.get();
  }
  const char* data() const { return m_data.get(); }

 private:
  std::unique_ptr<char[]> m_data;
  size_t m_capacity = 0;
};

inline char* put(char* at, const char* bytes, size_t size) {
  std::memcpy(at, bytes, size);
  return at + size;
}
inline char* put(char* at, const std::string& text) { return put(at, text.data(), text.size()); }
// A literal, copied with its size known at compile time.
template <size_t N>
inline char* put(char* at, const char (&literal)[N]) {
  std::memcpy(at, literal, N - 1);
  return at + N - 1;
}

}  // namespace oryx

#endif
