// UTF-8 layout of the boxed-text writer: cells are cut by display columns and
// each line goes straight into the file's buffer on the caller's thread.

#include "export/TXTFormatFile.h"

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

  std::string& out = m_file.buffer();
  const uint32_t lineLength = m_lineLength;
  out.append(m_blankLine.get(), lineLength);
  for (size_t j = 0; j < lines; ++j) {
    for (size_t i = 0; i < columns; ++i) {
      const size_t piece = m_firstPiece[i] + j;
      if (piece < m_firstPiece[i + 1]) {
        const oryx::CellPiece& p = m_pieces[piece];
        out.append("* ", 2);
        out.append(m_cellText, p.offset, p.length);
        out.append(p.padding + 1, ' ');
      } else {
        out += '*';
        out.append(m_ColumnWidth[i] + 2, ' ');
      }
    }
    out.append("*\n", 2);
  }
  out.append(m_blankLine.get(), lineLength);
  out.append(m_borderLine.get(), lineLength);
}

template void TXTFormatFile::writeLines(const std::vector<std::string>&);
template void TXTFormatFile::writeLines(const std::list<std::string>&);
