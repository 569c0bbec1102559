// SPDX-License-Identifier: Apache-2.0
#include "export/xml/XmlEscape.h"

#include "companion/text/Utf8.h"

#include <algorithm>

namespace oryx {

namespace {

// U+FFFE and U+FFFF are no characters.
bool isNoncharacter(const unsigned char* p, size_t length) {
  return length == 3 && p[0] == 0xEF && p[1] == 0xBF && p[2] >= 0xBE;
}

}  // namespace

char* escapeUtf8(const EscapeTable& table, char* at, const unsigned char*& in, const unsigned char* end) {
  size_t length = 1;
  if (utf8::decode(in, end, length) != utf8::kMalformed && !isNoncharacter(in, length)) {
    std::memcpy(at, in, length);
    in += length;
    return at + length;
  }
  in += length;
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
