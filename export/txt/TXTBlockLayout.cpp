// SPDX-License-Identifier: Apache-2.0
// Local-charset layout of the boxed-text writer: a title row or record is
// counted in bytes and laid out in the block that goes to the writer
// thread next, after the records before it.

#include "export/txt/TXTFormatFile.h"

#include "companion/io/ShortCopy.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A record laid out in more bytes than this goes in parts of about
// kPartBytes (whole rows).
const size_t kLaidOutAtOnce = 1024 * 1024;
const size_t kPartBytes = 56 * 1024;

// A tab, line feed, carriage return or NUL byte is shown as a space, so
// the frame never breaks. By the terminal rule every other control byte
// (and DEL, and NUL) is shown as "?", so none can move a terminal's cursor.
struct ShownBytes {
  char byte[256];
  explicit ShownBytes(bool terminal) {
    for (int b = 0; b < 256; ++b) byte[b] = static_cast<char>(b);
    if (terminal) {
      for (int b = 0; b < 0x20; ++b) byte[b] = '?';
      byte[0x7F] = '?';
    }
    byte[static_cast<unsigned char>('\t')] = ' ';
    byte[static_cast<unsigned char>('\n')] = ' ';
    byte[static_cast<unsigned char>('\r')] = ' ';
    if (!terminal) byte[0] = ' ';
  }
};
const ShownBytes kShownLegacy(false);
const ShownBytes kShownTerminal(true);

inline bool isHigh(unsigned char b) { return b > 0x7F; }

// Whether a double-byte pair starts at `i`: two bytes above 0x7F.
inline bool pairAt(const unsigned char* text, size_t length, size_t i) {
  return isHigh(text[i]) && i + 1 < length && isHigh(text[i + 1]);
}

// Text lines a cell fills. A width of 0 is laid out like a width of 1: one
// byte per line, in the column's padding byte, so no text is lost and the
// asterisks stay in place.
size_t countLines(const std::string& cell, uint32_t width) {
  const size_t length = cell.size();
  if (width <= 1 || length == 0) return length;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(cell.data());
  size_t i = 0;
  while (i < length && !isHigh(text[i])) ++i;
  if (i == length) return (length + width - 1) / width;
  size_t lines = 1;
  uint32_t used = 0;
  i = 0;
  while (i < length) {
    if (pairAt(text, length, i)) {
      if (used + 1 < width) {
        used += 2;
        i += 2;
      } else {
        ++lines;
        used = 0;
      }
      continue;
    }
    if (used == width) {
      ++lines;
      used = 0;
    }
    ++used;
    ++i;
  }
  return lines;
}

// Whether a cell is copied as it is, in runs of `width` bytes: printable
// ASCII, or any text that fits on one line and holds no byte shown as a
// space (a pair can only be split where a line is full). Needs a width of
// two or more.
bool copiedInRuns(const std::string& cell, uint32_t width, const ShownBytes& shown) {
  if (oryx::isPlainAscii(cell.data(), cell.size())) return true;
  if (cell.size() > width) return false;
  for (const char c : cell) {
    if (shown.byte[static_cast<unsigned char>(c)] != c) return false;
  }
  return true;
}

// Copies up to `rows` lines of a cell, from its byte `from` (where a line
// starts), to `line` and the lines below it, wrapping after `width` bytes
// and never splitting a pair (unless the width is 1). A `plain` cell (see
// copiedInRuns) is copied in runs. Returns where the next line starts.
size_t placeCell(char* line, uint32_t lineLength, const std::string& cell, size_t from,
                 uint32_t width, bool plain, size_t rows, const ShownBytes& shown) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(cell.data());
  const size_t length = cell.size();
  size_t i = from;
  if (plain) {
    // Nothing to show differently and no pairs: whole runs of `width` bytes.
    for (; i < length && rows > 0; i += width, line += lineLength, --rows) {
      oryx::copyShort(line, cell.data() + i, std::min<size_t>(width, length - i));
    }
    return std::min(i, length);
  }
  if (width <= 1) {
    for (; i < length && rows > 0; ++i, line += lineLength, --rows) *line = shown.byte[text[i]];
    return i;
  }
  if (rows == 0) return i;
  uint32_t used = 0;
  while (i < length) {
    if (pairAt(text, length, i)) {
      if (used + 1 < width) {
        line[used] = static_cast<char>(text[i]);
        line[used + 1] = static_cast<char>(text[i + 1]);
        used += 2;
        i += 2;
      } else {
        if (--rows == 0) return i;
        line += lineLength;
        used = 0;
      }
      continue;
    }
    if (used == width) {
      if (--rows == 0) return i;
      line += lineLength;
      used = 0;
    }
    line[used++] = shown.byte[text[i++]];
  }
  return i;
}

}  // namespace

template <typename Cells>
bool TXTFormatFile::putBlock(const Cells& cells) {
  const uint32_t lineLength = m_lineLength;
  // Cells beyond the last column have no width and are left out. A cell
  // copied in runs is cut by counting alone (no division for the common
  // cell that fits on one line).
  size_t lines = 0;
  const ShownBytes& shown = m_widthRule == oryx::WidthRule::terminal ? kShownTerminal : kShownLegacy;
  m_cellPlain.clear();
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    const size_t size = cell->size();
    const bool plain = *width >= 2 && copiedInRuns(*cell, *width, shown);
    m_cellPlain.push_back(plain);
    size_t cellLines;
    if (!plain) cellLines = countLines(*cell, *width);
    else if (size <= *width) cellLines = size != 0;
    else cellLines = (size + *width - 1) / *width;
    if (cellLines > lines) lines = cellLines;
  }

  // The frame's rows: a blank line, the text lines, a blank line and the
  // border. A huge record goes in parts of whole rows, so no block (and no
  // memory in flight) grows with the record's size.
  const size_t rows = lines + 3;
  const size_t perPart = rows * lineLength <= kLaidOutAtOnce ? rows : std::max<size_t>(1, kPartBytes / lineLength);
  const bool inParts = perPart < rows;
  if (inParts) m_cellFrom.assign(m_cellPlain.size(), 0);
  for (size_t first = 0; first < rows; first += perPart) {
    const size_t count = std::min(perPart, rows - first);
    char* block = room(count * lineLength);
    if (block == nullptr) return false;
    char* line = block;
    for (size_t r = first; r < first + count && r + 1 < rows; ++r, line += lineLength) {
      std::memcpy(line, m_blankLine.get(), lineLength);
    }
    if (first + count == rows) std::memcpy(line, m_borderLine.get(), lineLength);
    // The text rows (1 to `lines`) of this part.
    const size_t textFirst = std::max<size_t>(first, 1);
    const size_t textEnd = std::min(first + count, lines + 1);
    if (textFirst < textEnd) {
      char* text = block + (textFirst - first) * lineLength + 2;
      auto cell = cells.begin();
      for (size_t i = 0; i < m_cellPlain.size(); ++i, ++cell) {
        const size_t from = inParts ? m_cellFrom[i] : 0;
        const size_t next = placeCell(text, lineLength, *cell, from, m_ColumnWidth[i], m_cellPlain[i] != 0,
                                      textEnd - textFirst, shown);
        if (inParts) m_cellFrom[i] = next;
        text += m_ColumnWidth[i] + 3;
      }
    }
    commit(count * lineLength);
  }
  return true;
}

template bool TXTFormatFile::putBlock(const std::vector<std::string>&);
template bool TXTFormatFile::putBlock(const std::list<std::string>&);
