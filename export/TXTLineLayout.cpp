// UTF-8 layout of the boxed-text writer: cells are cut by display columns and
// each line goes straight into the file's buffer on the caller's thread.

#include "export/TXTFormatFile.h"

#include <algorithm>

template <typename Cells>
void TXTFormatFile::writeLines(const Cells& cells) {
  if (!m_file.good()) return;  // a failed file takes no more text
  // Cells of plain ASCII are cut in place by counting; any other cell is
  // copied once into one scratch text, repaired and cut there. Each cell's
  // pieces are relative to its own text.
  m_cellText.clear();
  m_pieces.clear();
  m_firstPiece.clear();
  m_cellBase.clear();
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    if (*width >= 2 && oryx::isPlainAscii(cell->data(), cell->size())) {
      m_cellBase.push_back(kOwnText);
    } else {
      m_cellBase.push_back(m_cellText.size());
      m_cellText.append(*cell);
    }
  }
  const size_t columns = m_cellBase.size();
  m_cellStart.resize(columns);
  size_t lines = 0;
  auto cell = cells.begin();
  for (size_t i = 0; i < columns; ++i, ++cell) {
    const size_t first = m_pieces.size();
    m_firstPiece.push_back(first);
    const uint32_t w = m_ColumnWidth[i];
    const uint32_t length = static_cast<uint32_t>(cell->size());
    if (m_cellBase[i] == kOwnText) {
      m_cellStart[i] = cell->data();
      // Whole lines of w bytes, then the rest padded; an empty cell is one
      // line of blanks.
      if (length == 0) m_pieces.push_back({0, 0, w});
      for (uint32_t offset = 0; offset < length; offset += w) {
        oryx::CellPiece piece;
        piece.offset = offset;
        piece.length = std::min(w, length - offset);
        piece.padding = w - piece.length;
        m_pieces.push_back(piece);
      }
    } else {
      oryx::splitCell(&m_cellText[m_cellBase[i]], length, w, m_pieces);
    }
    if (m_pieces.size() - first > lines) lines = m_pieces.size() - first;
  }
  m_firstPiece.push_back(m_pieces.size());
  // The scratch text no longer grows: its cells' starts are fixed now.
  for (size_t i = 0; i < columns; ++i) {
    if (m_cellBase[i] != kOwnText) m_cellStart[i] = m_cellText.data() + m_cellBase[i];
  }

  // The record's bytes are counted first, so the buffer grows once and the
  // lines are copied into place.
  const uint32_t lineLength = m_lineLength;
  size_t size = 3 * static_cast<size_t>(lineLength);
  for (size_t j = 0; j < lines; ++j) {
    size += 2;
    for (size_t i = 0; i < columns; ++i) {
      const size_t piece = m_firstPiece[i] + j;
      if (piece < m_firstPiece[i + 1]) {
        size += 3 + m_pieces[piece].length + m_pieces[piece].padding;
      } else {
        size += 3 + m_ColumnWidth[i];
      }
    }
  }
  char* out = m_file.extend(size);
  out = std::copy_n(m_blankLine.get(), lineLength, out);
  for (size_t j = 0; j < lines; ++j) {
    for (size_t i = 0; i < columns; ++i) {
      const size_t piece = m_firstPiece[i] + j;
      *out++ = '*';
      *out++ = ' ';
      if (piece < m_firstPiece[i + 1]) {
        const oryx::CellPiece& p = m_pieces[piece];
        out = std::copy_n(m_cellStart[i] + p.offset, p.length, out);
        out = std::fill_n(out, p.padding + 1, ' ');
      } else {
        out = std::fill_n(out, m_ColumnWidth[i] + 1, ' ');
      }
    }
    *out++ = '*';
    *out++ = '\n';
  }
  out = std::copy_n(m_blankLine.get(), lineLength, out);
  std::copy_n(m_borderLine.get(), lineLength, out);
}

template void TXTFormatFile::writeLines(const std::vector<std::string>&);
template void TXTFormatFile::writeLines(const std::list<std::string>&);
