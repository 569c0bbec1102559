// SPDX-License-Identifier: Apache-2.0
#include "export/html/HtmlText.h"

#include "companion/text/Utf8.h"

#include <cstdint>
#include <cstring>

namespace oryx {

namespace {

// 1: an ASCII byte a parser reports; 2: a UTF-8 lead byte that may start one.
struct Suspects {
  uint8_t kind[256];
};
constexpr Suspects makeSuspects() {
  Suspects table{};
  for (unsigned byte = 0; byte < 0x20; ++byte) {
    if (byte != '\t' && byte != '\n' && byte != '\f' && byte != '\r') table.kind[byte] = 1;
  }
  table.kind[0x7F] = 1;
  table.kind[0xC2] = 2;  // C1
  table.kind[0xEF] = 2;  // U+FDD0-U+FDEF, U+FFFE, U+FFFF
  for (unsigned byte = 0xF0; byte <= 0xF4; ++byte) table.kind[byte] = 2;
  return table;
}
constexpr Suspects kSuspects = makeSuspects();

bool isReported(uint32_t code) {
  return (code >= 0x80 && code <= 0x9F) || (code >= 0xFDD0 && code <= 0xFDEF) ||
         (code != utf8::kMalformed && (code & 0xFFFE) == 0xFFFE);
}

// The bytes of the character at `p` when a parser would report it, else 0.
size_t reportedAt(const unsigned char* p, const unsigned char* end, bool utf8) {
  const uint8_t kind = kSuspects.kind[*p];
  if (kind == 1) return 1;
  if (kind == 0 || !utf8) return 0;
  size_t length = 1;
  return isReported(utf8::decode(p, end, length)) ? length : 0;
}

}  // namespace

// Eight bytes a step: a word of printable ASCII (no byte below 0x20, none
// 0x7F or above) is passed over whole; the others byte by byte.
bool hasParserErrors(const unsigned char* p, const unsigned char* end, bool utf8) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x80 * kOnes;
  while (p < end) {
    const unsigned char* stop = end;
    if (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      const uint64_t del = word ^ (0x7F * kOnes);
      const uint64_t below = (word - 0x20 * kOnes) & ~word;  // high bit: some byte below 0x20
      const uint64_t isDel = (del - kOnes) & ~del;           // high bit: some byte 0x7F
      if (((word | below | isDel) & kHigh) == 0) {
        p += 8;
        continue;
      }
      stop = p + 8;
    }
    for (; p < stop; ++p) {
      if (kSuspects.kind[*p] != 0 && reportedAt(p, end, utf8) != 0) return true;
    }
  }
  return false;
}

void appendStrictHtml(std::string& out, const unsigned char* p, const unsigned char* end, bool utf8) {
  while (p < end) {
    const size_t reported = reportedAt(p, end, utf8);
    if (reported != 0) {
      out += "&#xFFFD;";
      p += reported;
      continue;
    }
    switch (*p) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += static_cast<char>(*p);
    }
    ++p;
  }
}

}  // namespace oryx
