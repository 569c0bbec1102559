// SPDX-License-Identifier: Apache-2.0
#include "export/xml/XmlEscape.h"

#include <algorithm>

namespace oryx {

namespace {

// The length of the well-formed UTF-8 sequence at `p` (2 to 4 bytes), or 0
// when there is none; then `bad` is the length of its longest well-formed
// beginning (at least 1), which is replaced as one character.
size_t utf8Sequence(const unsigned char* p, const unsigned char* end, size_t& bad) {
  const unsigned lead = p[0];
  size_t follow = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the next byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    follow = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    follow = 2;
    if (lead == 0xE0) low = 0xA0;       // no overlong forms
    if (lead == 0xED) high = 0x9F;      // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    follow = 3;
    if (lead == 0xF0) low = 0x90;       // no overlong forms
    if (lead == 0xF4) high = 0x8F;      // nothing above U+10FFFF
  } else {
    bad = 1;
    return 0;
  }
  size_t i = 1;
  for (; i <= follow && p + i < end; ++i) {
    if (p[i] < low || p[i] > high) break;
    low = 0x80;
    high = 0xBF;
  }
  if (i > follow) return i;
  bad = i;
  return 0;
}

// U+FFFE and U+FFFF are no characters.
bool isNoncharacter(const unsigned char* p, size_t length) {
  return length == 3 && p[0] == 0xEF && p[1] == 0xBF && p[2] >= 0xBE;
}

}  // namespace

char* escapeUtf8(const EscapeTable& table, char* at, const unsigned char*& in, const unsigned char* end) {
  size_t bad = 0;
  const size_t length = utf8Sequence(in, end, bad);
  if (length != 0 && !isNoncharacter(in, length)) {
    std::memcpy(at, in, length);
    in += length;
    return at + length;
  }
  in += length != 0 ? length : bad;
  std::memcpy(at, table.text[EscapeTable::kSubstitute], EscapeTable::kSlotSize);
  return at + table.size[EscapeTable::kSubstitute];
}

std::string escaped(const EscapeTable& table, const std::string& text) {
  std::string out(table.growth * text.size() + kEscapeSlack, '\0');
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = p + text.size();
  out.resize(static_cast<size_t>(escape(table, &out[0], p, end, end) - out.data()));
  return out;
}

void escapeInPieces(OutputCursor& out, const EscapeTable& table, const unsigned char* p, const unsigned char* end) {
  while (p < end) {
    const size_t piece = std::min(static_cast<size_t>(end - p), kEscapePiece);
    out.need(table.growth * (piece + 3) + kEscapeSlack);  // + a sequence finished beyond the piece
    out.at = escape(table, out.at, p, p + piece, end);
  }
}

}  // namespace oryx
