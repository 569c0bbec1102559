// SPDX-License-Identifier: Apache-2.0
// UTF-8 layout of the boxed-text writer: cells are cut by display columns and
// each record goes straight into the file's buffer on the caller's thread.

#include "export/txt/TXTFormatFile.h"

#include "companion/io/ShortCopy.h"

#include <algorithm>
#include <cstring>

namespace {

const size_t kBlankStore = 8;
// A record laid out in more bytes than this leaves line by line.
const size_t kLaidOutAtOnce = 1024 * 1024;

// Writes `count` (one or more) spaces in stores of eight, so up to seven
// more bytes past them are written too: the caller lays out further bytes
// over those. Up to 32 spaces take one or two stores that may overlap, so
// the usual padding costs no loop.
inline char* fillBlanks(char* to, size_t count) {
  static const char kBlanks[33] = "                                ";
  if (count <= kBlankStore) {
    std::memcpy(to, kBlanks, kBlankStore);
  } else if (count <= 2 * kBlankStore) {
    std::memcpy(to, kBlanks, kBlankStore);
    std::memcpy(to + count - kBlankStore, kBlanks, kBlankStore);
  } else if (count <= 4 * kBlankStore) {
    std::memcpy(to, kBlanks, 2 * kBlankStore);
    std::memcpy(to + count - 2 * kBlankStore, kBlanks, 2 * kBlankStore);
  } else {
    for (size_t k = 0; k < count; k += kBlankStore) std::memcpy(to + k, kBlanks, kBlankStore);
  }
  return to + count;
}

}  // namespace

template <typename Cells>
void TXTFormatFile::writeLines(const Cells& cells) {
  if (!m_file.good()) return;  // a failed file takes no more text
  size_t textBytes = 0;
  for (const std::string& cell : cells) textBytes += cell.size();
  if (m_widthRule == oryx::WidthRule::terminal || textBytes > kLaidOutAtOnce) {
    writeLinesOneByOne(cells);
    return;
  }
  // A cell that needs no repair is cut in one pass straight from the
  // caller's text; any other is copied into one scratch text, repaired and
  // cut there. Each cell's pieces are relative to its own text.
  m_cellText.clear();
  m_pieces.clear();
  // One cut per column, written in place (see CellPiece).
  if (m_cuts.size() < m_ColumnWidth.size()) m_cuts.resize(m_ColumnWidth.size());
  size_t columns = 0;
  bool repaired = false;
  size_t lines = 0;
  // A text line holds the record's cells only: a record with fewer cells
  // than columns has shorter text lines than its frame lines.
  size_t textLine = 2;
  // What the pieces' text and padding take beyond their columns' widths
  // (more than none only where multi-byte characters fill a line; summed
  // modulo 2^64, so a piece short of its width would still count right).
  size_t beyondWidths = 0;
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    const uint32_t w = *width;
    const uint32_t length = static_cast<uint32_t>(cell->size());
    const uint32_t first = static_cast<uint32_t>(m_pieces.size());
    size_t repairedAt = kOwnText;
    uint32_t count = 1;
    if (w >= 2 && length <= w && oryx::isPlainAscii(cell->data(), length)) {
      // The commonest cell: one line as it is, exactly as wide as its column.
      m_pieces.emplace_back(0, length, w - length);
    } else {
      if (!oryx::cutWellFormed(cell->data(), length, w, m_pieces)) {
        repairedAt = m_cellText.size();
        m_cellText.append(*cell);
        oryx::splitCell(&m_cellText[repairedAt], length, w, m_pieces);
        repaired = true;
      }
      count = static_cast<uint32_t>(m_pieces.size()) - first;
      for (uint32_t k = first; k < first + count; ++k) {
        beyondWidths += static_cast<size_t>(m_pieces[k].length) + m_pieces[k].padding - w;
      }
    }
    CutCell& cut = m_cuts[columns++];
    cut.text = cell->data();
    cut.repairedAt = repairedAt;
    cut.first = first;
    cut.lines = count;
    cut.width = w;
    if (count > lines) lines = count;
    textLine += 3 + static_cast<size_t>(w);
  }
  // The scratch text no longer grows: its cells' starts are fixed now.
  m_cutCount = columns;
  if (repaired) {
    for (size_t i = 0; i < columns; ++i) {
      if (m_cuts[i].repairedAt != kOwnText) m_cuts[i].text = m_cellText.data() + m_cuts[i].repairedAt;
    }
  }
  // The record's bytes are counted first, so the buffer grows once and the
  // lines are copied into place. A cell with fewer lines than the record
  // shows blank areas below its text.
  const uint32_t lineLength = m_lineLength;
  const size_t size = 3 * static_cast<size_t>(lineLength) + lines * textLine + beyondWidths;

  if (size <= kLaidOutAtOnce) {
    // Blanks are stored eight at a time past their end; the two frame lines
    // copied last (at least ten bytes) cover any such overshoot.
    char* out = m_file.extend(size);
    out = std::copy_n(m_blankLine.get(), lineLength, out);
    for (size_t j = 0; j < lines; ++j) out = layOutLine<kOvershoot>(j, out);
    out = std::copy_n(m_blankLine.get(), lineLength, out);
    std::copy_n(m_borderLine.get(), lineLength, out);
    return;
  }
  // A huge record leaves line by line, so the buffer stays small.
  m_file.append(m_blankLine.get(), lineLength);
  for (size_t j = 0; j < lines && m_file.good(); ++j) {
    layOutLine<kExact>(j, m_file.extend(lineBytes(j)));
    m_file.flushIfFull();
  }
  m_file.append(m_blankLine.get(), lineLength);
  m_file.append(m_borderLine.get(), lineLength);
}

// Each text line is cut from the cells as it is laid out: the memory is one
// line's, whatever the size of the cells.
template <typename Cells>
void TXTFormatFile::writeLinesOneByOne(const Cells& cells) {
  if (m_cellLines.size() < m_ColumnWidth.size()) m_cellLines.resize(m_ColumnWidth.size());
  size_t columns = 0;
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    m_cellLines[columns++].reset(cell->data(), cell->size(), *width, m_widthRule);
  }
  const uint32_t lineLength = m_lineLength;
  m_file.append(m_blankLine.get(), lineLength);
  auto pending = [this, columns] {
    for (size_t i = 0; i < columns; ++i) {
      if (!m_cellLines[i].done()) return true;
    }
    return false;
  };
  while (pending() && m_file.good()) {
    m_line.clear();
    for (size_t i = 0; i < columns; ++i) {
      m_line += "* ";
      if (m_cellLines[i].done()) m_line.append(m_ColumnWidth[i], ' ');
      else m_cellLines[i].next(m_line);
      m_line += ' ';
    }
    m_line += "*\n";
    m_file.append(m_line.data(), m_line.size());
    m_file.flushIfFull();
  }
  m_file.append(m_blankLine.get(), lineLength);
  m_file.append(m_borderLine.get(), lineLength);
  // A huge record leaves no huge scratch behind.
  if (m_line.capacity() > kLaidOutAtOnce) std::string().swap(m_line);
}

size_t TXTFormatFile::lineBytes(size_t line) const {
  size_t bytes = 2;
  for (size_t i = 0; i < m_cutCount; ++i) {
    const CutCell& cut = m_cuts[i];
    bytes += 3;
    if (line < cut.lines) bytes += m_pieces[cut.first + line].length + m_pieces[cut.first + line].padding;
    else bytes += cut.width;
  }
  return bytes;
}

template <TXTFormatFile::BlankStores stores>
char* TXTFormatFile::layOutLine(size_t line, char* out) const {
  auto blanks = [](char* to, size_t count) {
    return stores == kOvershoot ? fillBlanks(to, count) : std::fill_n(to, count, ' ');
  };
  for (size_t i = 0; i < m_cutCount; ++i) {
    const CutCell& cut = m_cuts[i];
    *out++ = '*';
    *out++ = ' ';
    if (line < cut.lines) {
      const oryx::CellPiece& p = m_pieces[cut.first + line];
      out = oryx::copyShort(out, cut.text + p.offset, p.length);
      out = blanks(out, p.padding + 1);
    } else {
      out = blanks(out, cut.width + 1);
    }
  }
  *out++ = '*';
  *out++ = '\n';
  return out;
}

template void TXTFormatFile::writeLines(const std::vector<std::string>&);
template void TXTFormatFile::writeLines(const std::list<std::string>&);
