// UTF-8 layout of the boxed-text writer: cells are cut by display columns and
// each record goes straight into the file's buffer on the caller's thread.

#include "export/TXTFormatFile.h"

#include "companion/ShortCopy.h"

#include <algorithm>
#include <cstring>

namespace {

const size_t kBlankStore = 8;
// A record laid out in more bytes than this leaves line by line.
const size_t kLaidOutAtOnce = 1024 * 1024;

// Writes `count` spaces in stores of eight, so up to seven more bytes past
// them are written too: the caller lays out further bytes over those.
inline char* fillBlanks(char* to, size_t count) {
  static const char kBlanks[kBlankStore + 1] = "        ";
  for (size_t k = 0; k < count; k += kBlankStore) std::memcpy(to + k, kBlanks, kBlankStore);
  return to + count;
}

}  // namespace

template <typename Cells>
void TXTFormatFile::writeLines(const Cells& cells) {
  if (!m_file.good()) return;  // a failed file takes no more text
  // A cell that needs no repair is cut in one pass straight from the
  // caller's text; any other is copied into one scratch text, repaired and
  // cut there. Each cell's pieces are relative to its own text.
  m_cellText.clear();
  m_pieces.clear();
  m_firstPiece.clear();
  m_cellBase.clear();
  size_t lines = 0;
  size_t pieceBytes = 0;  // "* ", text, padding and " " of every piece
  auto width = m_ColumnWidth.begin();
  for (auto cell = cells.begin(); cell != cells.end() && width != m_ColumnWidth.end(); ++cell, ++width) {
    const size_t first = m_pieces.size();
    m_firstPiece.push_back(first);
    const uint32_t length = static_cast<uint32_t>(cell->size());
    if (oryx::cutWellFormed(cell->data(), length, *width, m_pieces)) {
      m_cellBase.push_back(kOwnText);
    } else {
      const size_t base = m_cellText.size();
      m_cellBase.push_back(base);
      m_cellText.append(*cell);
      oryx::splitCell(&m_cellText[base], length, *width, m_pieces);
    }
    for (size_t k = first; k < m_pieces.size(); ++k) {
      pieceBytes += 3 + m_pieces[k].length + m_pieces[k].padding;
    }
    if (m_pieces.size() - first > lines) lines = m_pieces.size() - first;
  }
  const size_t columns = m_cellBase.size();
  m_firstPiece.push_back(m_pieces.size());
  // The scratch text no longer grows: its cells' starts are fixed now.
  m_cellStart.resize(columns);
  auto cell = cells.begin();
  // The record's bytes are counted first, so the buffer grows once and the
  // lines are copied into place. A cell with fewer lines than the record
  // shows blank areas below its text.
  const uint32_t lineLength = m_lineLength;
  size_t size = 3 * static_cast<size_t>(lineLength) + 2 * lines + pieceBytes;
  for (size_t i = 0; i < columns; ++i, ++cell) {
    m_cellStart[i] = m_cellBase[i] == kOwnText ? cell->data() : m_cellText.data() + m_cellBase[i];
    size += (lines - (m_firstPiece[i + 1] - m_firstPiece[i])) * (3 + static_cast<size_t>(m_ColumnWidth[i]));
  }

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

size_t TXTFormatFile::lineBytes(size_t line) const {
  size_t bytes = 2;
  for (size_t i = 0; i + 1 < m_firstPiece.size(); ++i) {
    const size_t piece = m_firstPiece[i] + line;
    bytes += 3;
    if (piece < m_firstPiece[i + 1]) bytes += m_pieces[piece].length + m_pieces[piece].padding;
    else bytes += m_ColumnWidth[i];
  }
  return bytes;
}

template <TXTFormatFile::BlankStores stores>
char* TXTFormatFile::layOutLine(size_t line, char* out) const {
  auto blanks = [](char* to, size_t count) {
    return stores == kOvershoot ? fillBlanks(to, count) : std::fill_n(to, count, ' ');
  };
  for (size_t i = 0; i + 1 < m_firstPiece.size(); ++i) {
    const size_t piece = m_firstPiece[i] + line;
    *out++ = '*';
    *out++ = ' ';
    if (piece < m_firstPiece[i + 1]) {
      const oryx::CellPiece& p = m_pieces[piece];
      out = oryx::copyShort(out, m_cellStart[i] + p.offset, p.length);
      out = blanks(out, p.padding + 1);
    } else {
      out = blanks(out, m_ColumnWidth[i] + 1);
    }
  }
  *out++ = '*';
  *out++ = '\n';
  return out;
}

template void TXTFormatFile::writeLines(const std::vector<std::string>&);
template void TXTFormatFile::writeLines(const std::list<std::string>&);
