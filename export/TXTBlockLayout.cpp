// Local-charset layout of the boxed-text writer: a title row or record is
// counted in bytes and laid out in the block that goes to the writer
// thread next, after the records before it.

#include "export/TXTFormatFile.h"

#include "companion/ShortCopy.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A tab, line feed, carriage return or NUL byte is shown as a space, so
// the frame never breaks.
struct ShownBytes {
  char byte[256];
  ShownBytes() {
    for (int b = 0; b < 256; ++b) byte[b] = static_cast<char>(b);
    byte[static_cast<unsigned char>('\t')] = ' ';
    byte[static_cast<unsigned char>('\n')] = ' ';
    byte[static_cast<unsigned char>('\r')] = ' ';
    byte[0] = ' ';
  }
};
const ShownBytes kShown;

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

// Copies a cell into the block from line 1, byte start + 2, wrapping after
// `width` bytes and never splitting a pair (unless the width is 1). A
// `plain` cell (printable ASCII, width of two or more) is copied in runs.
void placeCell(char* block, uint32_t lineLength, uint32_t start, const std::string& cell,
               uint32_t width, bool plain) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(cell.data());
  const size_t length = cell.size();
  char* line = block + lineLength + start + 2;
  if (plain) {
    // Nothing to show differently and no pairs: whole runs of `width` bytes.
    for (size_t i = 0; i < length; i += width, line += lineLength) {
      oryx::copyShort(line, cell.data() + i, std::min<size_t>(width, length - i));
    }
    return;
  }
  if (width <= 1) {
    for (size_t i = 0; i < length; ++i, line += lineLength) *line = kShown.byte[text[i]];
    return;
  }
  uint32_t used = 0;
  size_t i = 0;
  while (i < length) {
    if (pairAt(text, length, i)) {
      if (used + 1 < width) {
        line[used] = static_cast<char>(text[i]);
        line[used + 1] = static_cast<char>(text[i + 1]);
        used += 2;
        i += 2;
      } else {
        line += lineLength;
        used = 0;
      }
      continue;
    }
    if (used == width) {
      line += lineLength;
      used = 0;
    }
    line[used++] = kShown.byte[text[i++]];
  }
}

}  // namespace

template <typename Cells>
bool TXTFormatFile::putBlock(const Cells& cells) {
  const uint32_t lineLength = m_lineLength;
  // Cells beyond the last column have no width and are left out. A cell of
  // plain ASCII in a column of two bytes or more is cut by counting alone.
  size_t lines = 0;
  m_cellPlain.clear();
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    const bool plain = *width >= 2 && oryx::isPlainAscii(cell->data(), cell->size());
    m_cellPlain.push_back(plain);
    const size_t cellLines = plain ? (cell->size() + *width - 1) / *width : countLines(*cell, *width);
    if (cellLines > lines) lines = cellLines;
  }

  const size_t bytes = (lines + 3) * lineLength;
  char* block = reserveText(bytes);
  if (block == nullptr) return false;
  char* line = block;
  for (size_t k = 0; k < lines + 2; ++k, line += lineLength) {
    std::memcpy(line, m_blankLine.get(), lineLength);
  }
  std::memcpy(line, m_borderLine.get(), lineLength);

  uint32_t start = 0;
  auto cell = cells.begin();
  for (size_t i = 0; i < m_cellPlain.size(); ++i, ++cell) {
    placeCell(block, lineLength, start, *cell, m_ColumnWidth[i], m_cellPlain[i] != 0);
    start += m_ColumnWidth[i] + 3;
  }
  m_batch->wr_ptr(bytes);
  return true;
}

template bool TXTFormatFile::putBlock(const std::vector<std::string>&);
template bool TXTFormatFile::putBlock(const std::list<std::string>&);
