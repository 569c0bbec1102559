// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_SHORTCOPY_H
#define ORYXUTIL_COMPANION_SHORTCOPY_H

// Copying the short runs that hot formatting loops are made of (a cell's
// piece, a name): up to 16 bytes with two overlapping loads instead of a
// call, longer runs with memcpy. Reads nothing outside [from, from + count)
// and writes nothing outside [to, to + count). Returns to + count.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace oryx {

// Kept out of line: inlined into a caller that passes a short literal, the
// compiler would warn about a memcpy that only longer runs ever reach.
__attribute__((noinline)) inline void copyLong(char* to, const char* from, size_t count) {
  std::memcpy(to, from, count);
}

inline char* copyShort(char* to, const char* from, size_t count) {
  if (count >= 8 && count <= 16) {
    uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + count - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + count - 8, &tail, 8);
  } else if (count >= 4 && count < 8) {
    uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + count - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + count - 4, &tail, 4);
  } else if (count < 4) {
    for (size_t k = 0; k < count; ++k) to[k] = from[k];
  } else {
    copyLong(to, from, count);
  }
  return to + count;
}

}  // namespace oryx

#endif
