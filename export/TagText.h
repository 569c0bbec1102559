// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_TAGTEXT_H
#define ORYXUTIL_EXPORT_TAGTEXT_H

// Copying into room already made (OutputCursor::need): no bounds checks.
// A TagText is a text prepared once and copied for every record, such as a
// column's opening tag. It is stored in whole blocks of kBlock bytes, so a
// text of up to one block is copied as one fixed-size move (no call, no
// branch on the length); that move writes up to kBlock bytes, so the room
// must hold kSlack bytes more than the text itself.
// Not thread-safe to modify; copying from it is.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace oryx {

class TagText {
 public:
  static constexpr size_t kBlock = 32;
  static constexpr size_t kSlack = kBlock;

  TagText() : TagText(std::string()) {}
  explicit TagText(const std::string& text)
      : m_data(new char[text.size() > kBlock ? text.size() : kBlock]()), m_size(text.size()) {
    if (m_size != 0) std::memcpy(m_data.get(), text.data(), m_size);
  }

  size_t size() const { return m_size; }
  const char* data() const { return m_data.get(); }
  char* copyTo(char* at) const {
    if (m_size <= kBlock) {
      std::memcpy(at, m_data.get(), kBlock);
    } else {
      std::memcpy(at, m_data.get(), m_size);
    }
    return at + m_size;
  }

 private:
  std::unique_ptr<char[]> m_data;
  size_t m_size;
};

inline char* put(char* at, const char* bytes, size_t size) {
  std::memcpy(at, bytes, size);
  return at + size;
}
// A literal, copied with its size known at compile time.
template <size_t N>
inline char* put(char* at, const char (&literal)[N]) {
  std::memcpy(at, literal, N - 1);
  return at + N - 1;
}

}  // namespace oryx

#endif
