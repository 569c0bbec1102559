// SPDX-License-Identifier: Apache-2.0
#include "Utf8Check.h"

#include <cstdint>
#include <cstring>

namespace oryxtool {

bool isUtf8(const char* text, size_t size) {
  const auto* data = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < size) {
    while (i + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, data + i, sizeof(word));
      if (word & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= size) break;
    const unsigned char c = data[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (size - i < length || data[i + 1] < low || data[i + 1] > high) return false;
    for (size_t k = 2; k < length; ++k) {
      if ((data[i + k] & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace oryxtool
