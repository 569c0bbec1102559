// UTF-8 layout of the boxed-text writer: cells are cut by display columns and
// each line goes straight into the file's buffer on the caller's thread.

#include "export/TXTFormatFile.h"

#include <algorithm>

template <typename Cells>
void TXTFormatFile::writeLines(const Cells& cells) {
  if (!m_file.good()) return;  // a failed file takes no more text
  // The cells are copied once into one scratch text, repaired and cut there;
  // the pieces point into it.
  m_cellText.clear();
  m_pieces.clear();
  m_firstPiece.clear();
  size_t columns = 0;
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    m_cellText.append(*cell);
    ++columns;
  }
  size_t offset = 0;
  size_t lines = 0;
  width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); columns > m_firstPiece.size(); ++cell, ++width) {
    const size_t first = m_pieces.size();
    m_firstPiece.push_back(first);
    oryx::splitCell(&m_cellText[0] + offset, static_cast<uint32_t>(cell->size()), *width, m_pieces);
    for (size_t p = first; p < m_pieces.size(); ++p) m_pieces[p].offset += static_cast<uint32_t>(offset);
    if (m_pieces.size() - first > lines) lines = m_pieces.size() - first;
    offset += cell->size();
  }
  m_firstPiece.push_back(m_pieces.size());

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
  std::string& buffer = m_file.buffer();
  const size_t at = buffer.size();
  buffer.resize(at + size);
  char* out = &buffer[at];
  const char* text = m_cellText.data();
  out = std::copy_n(m_blankLine.get(), lineLength, out);
  for (size_t j = 0; j < lines; ++j) {
    for (size_t i = 0; i < columns; ++i) {
      const size_t piece = m_firstPiece[i] + j;
      *out++ = '*';
      *out++ = ' ';
      if (piece < m_firstPiece[i + 1]) {
        const oryx::CellPiece& p = m_pieces[piece];
        out = std::copy_n(text + p.offset, p.length, out);
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
