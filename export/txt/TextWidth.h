// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_TXT_TEXTWIDTH_H
#define ORYXUTIL_EXPORT_TXT_TEXTWIDTH_H

// Display widths of UTF-8 text for the boxed-text writer, by one of two rules:
//  - legacy (the default): an East Asian wide character takes two columns,
//    every other character one, a character above U+FFFF is judged by its
//    low 16 bits; malformed UTF-8 is repaired in place with "?" (one column
//    each) as the text is stepped over;
//  - terminal: widths as terminals draw them, per grapheme cluster, from
//    utf8proc (Unicode 15.0 with Debian 12's libutf8proc 2.8; see
//    terminalCluster below).
// Pure functions, no state: safe from any thread. Internal to the library
// except textWidth.

#include "oryxutil/export/TextWidth.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace oryx {

namespace textwidth {

inline bool isPrintableAscii(char c) { return c >= 0x20 && c < 0x7F; }

// Whether any of eight bytes lies outside printable ASCII: a byte below
// 0x20 borrows into its high bit, a byte above 0x7E carries into it (or has
// it set already).
inline bool anyUnprintable(uint64_t word) {
  const uint64_t ones = 0x0101010101010101ULL;
  const uint64_t highBits = 0x8080808080808080ULL;
  const uint64_t below = (word - ones * 0x20) & ~word & highBits;
  const uint64_t above = ((word + ones) | word) & highBits;
  return (below | above) != 0;
}

}  // namespace textwidth

// True when every byte is printable ASCII (0x20..0x7E): such text is one
// column and one byte per character and needs no repair. Inline: the
// writers ask it of every cell.
inline bool isPlainAscii(const char* text, size_t length) {
  using textwidth::anyUnprintable;
  // The last few bytes are checked within a load that ends at the last
  // byte and overlaps bytes already checked: nothing past the text is read.
  if (length >= 8) {
    for (; length > 8; length -= 8, text += 8) {
      uint64_t word;
      std::memcpy(&word, text, 8);
      if (anyUnprintable(word)) return false;
    }
    uint64_t last;
    std::memcpy(&last, text + length - 8, 8);
    return !anyUnprintable(last);
  }
  if (length >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, text, 4);
    std::memcpy(&tail, text + length - 4, 4);
    return !anyUnprintable(static_cast<uint64_t>(head) << 32 | tail);
  }
  for (; length > 0; --length, ++text) {
    if (!textwidth::isPrintableAscii(*text)) return false;
  }
  return true;
}

// True when the 16-bit character `c` takes two display columns.
bool isWideChar(uint16_t c);

// textWidth (public, oryxutil/export/TextWidth.h): each 16-bit unit of the
// title's wide form counts 2 when wide, else 1 (so a character above U+FFFF,
// two units, counts 2).

// Steps over the character at `position` of `buffer` (`length` bytes):
// advances `position`, sets `width` to its display columns and returns true;
// false (nothing changed) at the end. A malformed sequence is consumed and
// the bytes that the repair names become "?".
bool nextUtf8Char(char* buffer, uint32_t length, uint32_t& position, int& width);

// One line of a cut cell: `length` bytes from `offset`, then `padding` spaces.
// Built in place (emplace_back): a piece assembled on the stack and copied
// into the vector is read back before its stores have landed, which stalls
// the hot loops that cut cells.
struct CellPiece {
  CellPiece() = default;
  CellPiece(uint32_t offset_, uint32_t length_, uint32_t padding_)
      : offset(offset_), length(length_), padding(padding_) {}
  uint32_t offset;
  uint32_t length;
  uint32_t padding;
};

// Appends to `pieces` the lines of `text` (`length` bytes, modified in place)
// cut at `columnWidth` display columns, each padded to that width.
void splitByWidth(char* text, uint32_t length, uint32_t columnWidth, std::vector<CellPiece>& pieces);
std::vector<std::string> splitByWidth(const std::string& text, uint32_t columnWidth);

// The lines of one cell: tab, LF, CR and NUL shown as spaces, an empty cell
// as one line of blanks, a width of 1 as one character per unpadded line.
// The in-place form rewrites `text` and appends to `pieces`.
void splitCell(char* text, uint32_t length, uint32_t columnWidth, std::vector<CellPiece>& pieces);
std::vector<std::string> splitCell(const std::string& text, uint32_t columnWidth);

// splitCell of a cell that it would not change (no tab, LF, CR, NUL or
// malformed sequence), cut in one pass straight from the caller's `text`,
// which is only read and never past `length`. False, `pieces` as they
// were, when the cell needs splitCell's repairs.
bool cutWellFormed(const char* text, uint32_t length, uint32_t columnWidth,
                   std::vector<CellPiece>& pieces);

enum class WidthRule { legacy, terminal };

uint32_t textWidth(const std::string& text, WidthRule rule);

// The grapheme cluster at `from` of `text` (`length` bytes, `from` before
// it) by the terminal rule: appends to `shown` the bytes a terminal is
// given for it, sets `width` to the columns it takes there and returns
// where the next cluster starts. The shown form:
//  - C0 controls and DEL become their control pictures (U+2400..U+241F,
//    U+2421); C1 controls, which have none, and each malformed part of
//    the UTF-8 become U+FFFD; tab, line feed and carriage return stay the
//    blanks the legacy rule shows. One column each.
//  - a variation selector 16 after a character that draws one column is
//    left out: terminals disagree on such an emoji presentation (one column
//    or two), while without it every one draws the character in one.
// Width: two for a cluster holding a wide character (East Asian W or F,
// emoji presentation, a ZWJ sequence led by one, a wide character with
// its emoji modifier); otherwise the sum of its characters' widths, with
// zero for marks (Mn, Me), format characters (Cf, ZWJ), variation
// selectors and whatever a ZWJ joins to the cluster.
size_t terminalCluster(const char* text, size_t length, size_t from, std::string& shown, uint32_t& width);

// One cell cut into lines of its column's width, a line at a time, read
// straight from the caller's text (never copied, never changed): the same
// lines splitCell gives by the legacy rule, or the terminal rule's lines
// (a cluster is never cut; one wider than the column stands alone).
class CellLines {
 public:
  void reset(const char* text, size_t length, uint32_t columnWidth, WidthRule rule);
  bool done() const { return m_position >= m_length && !m_firstLine; }
  // Appends the next line, padded with blanks to the column's width, to `out`.
  void next(std::string& out);

 private:
  const char* m_text = nullptr;
  size_t m_length = 0;
  size_t m_position = 0;
  uint32_t m_width = 0;
  WidthRule m_rule = WidthRule::legacy;
  bool m_firstLine = false;
};

}  // namespace oryx

#endif
