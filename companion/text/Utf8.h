// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_TEXT_UTF8_H
#define ORYXUTIL_COMPANION_TEXT_UTF8_H

// The library's one UTF-8 decoder and encoder. Well-formed means the byte
// ranges of the Unicode standard: no stray continuation byte, no overlong
// form, no surrogate, nothing above U+10FFFF, nothing cut short.
// decode() reports a malformed character with its maximal ill-formed part,
// so each caller keeps its own repair rule (a replacement character, "?",
// one byte at a time). Pure inline functions: safe from any thread, cheap
// enough for the per-character loops of the width code.

#include <cstddef>
#include <cstdint>
#include <string>

namespace oryx {
namespace utf8 {

// What decode() answers for a malformed character.
constexpr uint32_t kMalformed = 0xFFFFFFFF;

// The character at `p` (before `end`, which lies past `p`): its code point,
// `length` set to its bytes; or kMalformed, `length` set to the bytes of its
// maximal ill-formed part (at least 1).
inline uint32_t decode(const unsigned char* p, const unsigned char* end, size_t& length) {
  const unsigned char lead = *p;
  if (lead < 0x80) {
    length = 1;
    return lead;
  }
  size_t need;
  uint32_t code;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xE0 && lead <= 0xEF) {     // first: the whole of CJK text
    need = 2, code = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // no overlong form
    if (lead == 0xED) high = 0x9F;  // no surrogate
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1, code = lead & 0x1Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3, code = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // no overlong form
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    length = 1;
    return kMalformed;
  }
  for (size_t i = 1; i <= need; ++i) {
    if (static_cast<size_t>(end - p) <= i || p[i] < low || p[i] > high) {
      length = i;
      return kMalformed;
    }
    code = (code << 6) | (p[i] & 0x3Fu);
    low = 0x80, high = 0xBF;
  }
  length = need + 1;
  return code;
}

// Appends the UTF-8 form of `code` (at most U+10FFFF) to `out`.
inline void append(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace utf8
}  // namespace oryx

#endif
