// SPDX-License-Identifier: Apache-2.0
#include "export/html/HtmlText.h"

#include "companion/text/Utf8.h"

#include <cstdint>

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

bool hasParserErrors(const unsigned char* p, const unsigned char* end, bool utf8) {
  for (; p < end; ++p) {
    if (kSuspects.kind[*p] != 0 && reportedAt(p, end, utf8) != 0) return true;
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
