// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_XML_XMLESCAPE_H
#define ORYXUTIL_EXPORT_XML_XMLESCAPE_H

// Table-driven escaping of field, title and name text for the XML writer
// (the HTML writer, with four fixed specials, has HtmlEscape.h).
// For every byte a table says: copy it, replace it by a short text, check
// it as the start of a UTF-8 sequence (copied when well-formed and allowed,
// replaced by the table's substitute otherwise), or drop it together with
// the bytes after it up to the next replaced byte. Runs of plain bytes are
// copied eight bytes a step (copyPlain); nothing is read at or past the
// end of the text.
// Thread-safe: tables are constants, escape() keeps no state.

#include "export/ByteScan.h"
#include "companion/io/OutputFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace oryx {

struct EscapeTable {
  // Actions; any larger value is the slot of a replacement text.
  static constexpr uint8_t kCopy = 0;
  static constexpr uint8_t kDrop = 1;
  static constexpr uint8_t kUtf8 = 2;
  static constexpr uint8_t kSubstitute = 3;  // the slot of the substitute text
  static constexpr size_t kSlotSize = 8;
  static constexpr size_t kSlots = 16;

  uint8_t action[256] = {};
  char text[kSlots][kSlotSize] = {};
  uint8_t size[kSlots] = {};
  uint8_t used = kSubstitute + 1;
  // The most output bytes that one input byte can give.
  size_t growth = 1;

  constexpr void replace(unsigned char byte, const char* replacement) {
    setText(used, replacement);
    set(byte, used++);
  }
  constexpr void drop(unsigned char byte) { set(byte, kDrop); }
  // What stands for a byte or sequence that may not appear (substitute()).
  constexpr void setSubstitute(const char* replacement) {
    setText(kSubstitute, replacement);
    if (growth < 3) growth = 3;  // a malformed sequence of one byte may become U+FFFD
  }
  constexpr void substitute(unsigned char byte) { set(byte, kSubstitute); }
  constexpr void checkUtf8() {
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte) set(static_cast<unsigned char>(byte), kUtf8);
  }

 private:
  constexpr void set(unsigned char byte, uint8_t what) { action[byte] = what; }
  constexpr void setText(uint8_t slot, const char* replacement) {
    uint8_t n = 0;
    while (replacement[n] != '\0') {
      text[slot][n] = replacement[n];
      ++n;
    }
    size[slot] = n;
    if (growth < n) growth = n;
  }
};

// Room that escape() may need beyond `growth` bytes per input byte: a
// replacement text is always copied as one whole slot.
const size_t kEscapeSlack = EscapeTable::kSlotSize;
// Texts up to this size are escaped in one go; longer ones in pieces of it.
const size_t kEscapePiece = 16 * 1024;

// Copies the UTF-8 sequence at `in`, or the table's substitute for the
// malformed or disallowed bytes there; advances `in` past them.
char* escapeUtf8(const EscapeTable& table, char* at, const unsigned char*& in, const unsigned char* end);

// Escapes the bytes of [p, stop) to `at` and returns the end of the output;
// `p` is left where it stopped, at `stop` or beyond it: a UTF-8 sequence or
// a dropped run that starts before `stop` is finished from the bytes up to
// `end`. Needs table.growth x (bytes taken) + kEscapeSlack bytes of room.
[[gnu::always_inline]] inline char* escape(const EscapeTable& table, char* at, const unsigned char*& p, const unsigned char* stop,
                    const unsigned char* end) {
  const uint8_t* const action = table.action;
  const unsigned char* in = p;
  while (in < stop) {
    copyPlain(action, at, in, stop);
    if (in == stop) break;
    const uint8_t what = action[*in];
    if (what >= EscapeTable::kSubstitute) {
      std::memcpy(at, table.text[what], EscapeTable::kSlotSize);
      at += table.size[what];
      ++in;
    } else if (what == EscapeTable::kUtf8) {
      at = escapeUtf8(table, at, in, end);
    } else {  // kDrop: up to the next byte that is replaced
      ++in;
      while (in < end && action[*in] < EscapeTable::kSubstitute) ++in;
    }
  }
  p = in;
  return at;
}

// `text` escaped, as a string (for titles and names, not a hot path).
std::string escaped(const EscapeTable& table, const std::string& text);

// Escapes [p, end) at the cursor in pieces of kEscapePiece bytes.
void escapeInPieces(OutputCursor& out, const EscapeTable& table, const unsigned char* p, const unsigned char* end);

// Escapes `text` at the cursor, in pieces when it is long.
inline void escapeTo(OutputCursor& out, const EscapeTable& table, const std::string& text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = p + text.size();
  if (text.size() > kEscapePiece) return escapeInPieces(out, table, p, end);
  out.need(table.growth * text.size() + kEscapeSlack);
  out.at = escape(table, out.at, p, end, end);
}

}  // namespace oryx

#endif
