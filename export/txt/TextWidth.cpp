// SPDX-License-Identifier: Apache-2.0
#include "export/txt/TextWidth.h"

#include "companion/text/Utf8.h"
#include "oryxutil/companion/CommonUtils.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace oryx {

using textwidth::anyUnprintable;
using textwidth::isPrintableAscii;

namespace {

// Sequence length announced by a lead byte; 0 for a byte that cannot lead.
uint32_t sequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 0;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  if (lead < 0xFC) return 5;
  if (lead < 0xFE) return 6;
  return 0;
}

void markBad(char* buffer, uint32_t end, uint32_t count) {
  for (uint32_t k = end - count; k < end; ++k) buffer[k] = '?';
}

// A cell shows tabs, line feeds, carriage returns and NUL bytes as spaces,
// so they never break the frame or cut a written block short.
void blankControls(char* text, uint32_t length) {
  for (uint32_t k = 0; k < length; ++k) {
    const char c = text[k];
    if (c == '\t' || c == '\n' || c == '\r' || c == '\0') text[k] = ' ';
  }
}

// The display columns of a well-formed character: characters above U+FFFF
// are measured by their low 16 bits.
inline int widthOf(uint32_t code) { return isWideChar(static_cast<uint16_t>(code)) ? 2 : 1; }

// Steps over the malformed sequence at `position`, turning to "?" the bytes
// the repair names: the sequence its lead byte announces (five and six
// byte forms included) up to a byte that breaks it (then that byte and the
// one before it) or up to the end of the text (then the last byte read).
// Answers the columns the repaired bytes take.
int repairMalformed(char* buffer, uint32_t length, uint32_t& position) {
  const uint32_t n = sequenceLength(static_cast<unsigned char>(buffer[position++]));
  uint32_t read = 1;
  while (read < n) {
    if (position >= length) {  // cut off by the end of the text
      buffer[position - 1] = '?';
      return 1;
    }
    const unsigned char next = static_cast<unsigned char>(buffer[position++]);
    if (next < 0x80 || next > 0xBF) {  // the sequence is broken by a non-continuation byte
      markBad(buffer, position, 2);
      return 2;
    }
    ++read;
  }
  markBad(buffer, position, read);
  return static_cast<int>(read);
}

// The width of the well-formed character whose first byte (above 0x7F) is
// at `position`, which then moves past it; 0, `position` unchanged, for a
// malformed one (what repairMalformed would repair).
inline int wellFormedWidth(const char* text, uint32_t length, uint32_t& position) {
  const unsigned char* const at = reinterpret_cast<const unsigned char*>(text) + position;
  size_t size = 1;
  const uint32_t code = utf8::decode(at, at + (length - position), size);
  if (code == utf8::kMalformed) return 0;
  position += static_cast<uint32_t>(size);
  return widthOf(code);
}

// The character at `position` when its first byte is above 0x7F (see nextUtf8Char).
int stepMultiByte(char* buffer, uint32_t length, uint32_t& position) {
  const int width = wellFormedWidth(buffer, length, position);
  return width != 0 ? width : repairMalformed(buffer, length, position);
}

// The end of the run of printable ASCII that starts at `from`: eight bytes
// at a time while eight remain, then byte by byte, never past `length`.
inline uint32_t printableRunEnd(const char* text, uint32_t from, uint32_t length) {
  while (length - from >= 8) {
    uint64_t word;
    std::memcpy(&word, text + from, 8);
    if (anyUnprintable(word)) break;
    from += 8;
  }
  while (from < length && isPrintableAscii(text[from])) ++from;
  return from;
}

inline bool isShownAsBlank(unsigned char byte) {
  return byte == '\t' || byte == '\n' || byte == '\r' || byte == '\0';
}

// How a cut treats bytes that a cell shows differently: kRepair rewrites
// the text (malformed sequences to "?", and with `blank` the control bytes
// to spaces); kVerbatim leaves the text alone and gives up (false) at the
// first byte that would change.
enum CutMode { kRepair, kVerbatim };

template <CutMode mode>
using CutText = typename std::conditional<mode == kRepair, char*, const char*>::type;

// splitByWidth, in one pass over the text.
template <CutMode mode>
bool cutByWidth(CutText<mode> text, uint32_t length, uint32_t columnWidth, bool blank,
                std::vector<CellPiece>& pieces) {
  const uint32_t w = columnWidth;
  uint32_t start = 0;
  uint32_t position = 0;
  uint32_t previous = 0;
  uint32_t used = 0;
  // A line that starts with a repaired sequence wider than the column is
  // already over-full: it gets no padding rather than a wrapped count.
  auto padding = [w](uint32_t columns) { return columns < w ? w - columns : 0u; };
  while (position < length) {
    // A run of printable ASCII is taken in slices up to the end of the line.
    const bool ascii = used < w && isPrintableAscii(text[position]);
    const uint32_t run = ascii ? printableRunEnd(text, position, length) : position;
    while (position < run && used < w) {
      const uint32_t take = std::min(run - position, w - used);
      position += take;
      previous = position;
      if (used + take == w) {
        pieces.emplace_back(start, position - start, 0);
        start = position;
        used = 0;
      } else {
        used += take;
      }
    }
    if (position >= length) break;
    uint32_t columns = 1;
    const unsigned char byte = static_cast<unsigned char>(text[position]);
    if (byte < 0x80) {
      if (isShownAsBlank(byte)) {
        if constexpr (mode == kVerbatim) {
          return false;
        } else if (blank) {
          text[position] = ' ';
        }
      }
      ++position;
    } else if constexpr (mode == kVerbatim) {
      columns = static_cast<uint32_t>(wellFormedWidth(text, length, position));
      if (columns == 0) return false;
    } else {
      columns = static_cast<uint32_t>(stepMultiByte(text, length, position));
    }
    if (used + columns < w) {
      used += columns;
    } else if (used + columns == w || used == 0) {
      pieces.emplace_back(start, position - start, 0);
      start = position;
      used = 0;
    } else {
      pieces.emplace_back(start, previous - start, padding(used));
      start = previous;
      used = columns;
    }
    previous = position;
  }
  if (start < length) pieces.emplace_back(start, length - start, padding(used));
  return true;
}

// The legacy rule's character at `from`, shown as splitCell shows it: a
// malformed sequence is repaired in a copy of its bytes (a sequence is at
// most six bytes long, so the copy sees the text's end only where the text
// ends).
size_t legacyChar(const char* text, size_t length, size_t from, std::string& shown, uint32_t& width) {
  const unsigned char byte = static_cast<unsigned char>(text[from]);
  if (byte < 0x80) {
    shown += isShownAsBlank(byte) ? ' ' : static_cast<char>(byte);
    width = 1;
    return from + 1;
  }
  const uint32_t available = static_cast<uint32_t>(std::min<size_t>(length - from, 6));
  uint32_t position = 0;
  int columns = wellFormedWidth(text + from, available, position);
  if (columns != 0) {
    shown.append(text + from, position);
  } else {
    char bytes[6];
    std::memcpy(bytes, text + from, available);
    columns = repairMalformed(bytes, available, position);
    shown.append(bytes, position);
  }
  width = static_cast<uint32_t>(columns);
  return from + position;
}

const uint32_t kReplacement = 0xFFFD;
const uint32_t kVariationSelector16 = 0xFE0F;
const uint32_t kZeroWidthJoiner = 0x200D;

inline bool isControl(uint32_t code) { return code < 0x20 || (code >= 0x7F && code < 0xA0); }

inline uint32_t charWidth(uint32_t code) {
  const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(code));
  return width > 0 ? static_cast<uint32_t>(width) : 0;
}

std::vector<std::string> toStrings(const char* text, const std::vector<CellPiece>& pieces) {
  std::vector<std::string> lines;
  lines.reserve(pieces.size());
  for (const CellPiece& piece : pieces) {
    std::string line(text + piece.offset, piece.length);
    line.append(piece.padding, ' ');
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

bool isWideChar(uint16_t c) {
  if (c < 0x1100) return false;
  if (c <= 0x115F) return true;
  if (c >= 0x2E80 && c <= 0xA4CF) {
    // The CJK brackets 300A, 300B, 301A, 301B differ from 300A only in bits 0 and 4.
    return (c & ~0x11u) != 0x300Au && c != 0x303F;
  }
  return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF5F) ||
         (c >= 0xFFE0 && c <= 0xFFE6);
}

uint32_t textWidth(const std::string& text) {
  uint32_t width = 0;
  for (const wchar_t unit : oRYXCommonUtils::STR2WSTR(text)) {
    width += isWideChar(static_cast<uint16_t>(unit)) ? 2 : 1;
  }
  return width;
}

bool nextUtf8Char(char* buffer, uint32_t length, uint32_t& position, int& width) {
  if (buffer == nullptr || position >= length) return false;
  if (static_cast<unsigned char>(buffer[position]) < 0x80) {
    ++position;
    width = 1;
  } else {
    width = stepMultiByte(buffer, length, position);
  }
  return true;
}

void splitByWidth(char* text, uint32_t length, uint32_t columnWidth,
                  std::vector<CellPiece>& pieces) {
  cutByWidth<kRepair>(text, length, columnWidth, false, pieces);
}

std::vector<std::string> splitByWidth(const std::string& text, uint32_t columnWidth) {
  std::string copy = text;
  std::vector<CellPiece> pieces;
  splitByWidth(&copy[0], static_cast<uint32_t>(copy.size()), columnWidth, pieces);
  return toStrings(copy.data(), pieces);
}

void splitCell(char* text, uint32_t length, uint32_t columnWidth, std::vector<CellPiece>& pieces) {
  if (length == 0) {
    pieces.emplace_back(0, 0, columnWidth);
    return;
  }
  if (columnWidth != 1) {
    cutByWidth<kRepair>(text, length, columnWidth, true, pieces);
    return;
  }
  blankControls(text, length);
  uint32_t position = 0;
  int width = 0;
  while (true) {
    const uint32_t start = position;
    if (!nextUtf8Char(text, length, position, width)) break;
    pieces.emplace_back(start, position - start, 0);
  }
}

uint32_t textWidth(const std::string& text, bool terminalWidths) {
  return textWidth(text, terminalWidths ? WidthRule::terminal : WidthRule::legacy);
}

uint32_t textWidth(const std::string& text, WidthRule rule) {
  if (rule == WidthRule::legacy) return textWidth(text);
  uint32_t width = 0;
  std::string shown;
  for (size_t at = 0; at < text.size();) {
    uint32_t columns = 0;
    shown.clear();
    at = terminalCluster(text.data(), text.size(), at, shown, columns);
    width += columns;
  }
  return width;
}

size_t terminalCluster(const char* text, size_t length, size_t from, std::string& shown, uint32_t& width) {
  const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(text);
  // Printable ASCII before ASCII (or the end) is a cluster of its own.
  if (isPrintableAscii(text[from]) && (from + 1 == length || bytes[from + 1] < 0x80)) {
    shown += text[from];
    width = 1;
    return from + 1;
  }
  const unsigned char* const end = bytes + length;
  size_t size = 1;
  const uint32_t code = utf8::decode(bytes + from, end, size);
  width = 1;
  if (code == utf8::kMalformed || (code >= 0x80 && code < 0xA0)) {
    utf8::append(shown, kReplacement);
    return from + size;
  }
  if (isControl(code)) {
    if (code == '\t' || code == '\n' || code == '\r') shown += ' ';
    else utf8::append(shown, code == 0x7F ? 0x2421 : 0x2400 + code);
    return from + 1;
  }
  shown.append(text + from, size);
  uint32_t sum = charWidth(code);
  bool wide = sum >= 2;
  bool joined = false;  // the character before was a ZWJ
  utf8proc_int32_t state = 0;
  uint32_t previous = code;
  size_t at = from + size;
  while (at < length) {
    const uint32_t next = utf8::decode(bytes + at, end, size);
    if (next == utf8::kMalformed || isControl(next)) break;
    if (utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(previous),
                                         static_cast<utf8proc_int32_t>(next), &state)) {
      break;
    }
    if (next != kVariationSelector16 || wide || sum > 1) shown.append(text + at, size);
    if (next == kZeroWidthJoiner) {
      joined = true;
    } else {
      if (!joined) {
        const uint32_t w = charWidth(next);
        wide = wide || w >= 2;
        sum += w;
      }
      joined = false;
    }
    previous = next;
    at += size;
  }
  width = wide ? 2 : sum;
  return at;
}

void CellLines::reset(const char* text, size_t length, uint32_t columnWidth, WidthRule rule) {
  m_text = text;
  m_length = length;
  m_position = 0;
  m_width = columnWidth;
  m_rule = rule;
  m_firstLine = true;
}

// The cut of splitByWidth, one line at a time: a character (cluster) that
// does not fit starts the next line, one alone on its line stays there
// however wide.
void CellLines::next(std::string& out) {
  m_firstLine = false;
  uint32_t used = 0;
  while (m_position < m_length) {
    const size_t before = out.size();
    uint32_t columns = 0;
    const size_t after = m_rule == WidthRule::terminal
                             ? terminalCluster(m_text, m_length, m_position, out, columns)
                             : legacyChar(m_text, m_length, m_position, out, columns);
    if (used + columns < m_width) {
      used += columns;
      m_position = after;
      continue;
    }
    if (used + columns == m_width || used == 0) {
      m_position = after;
      used += columns;
      break;
    }
    out.resize(before);
    break;
  }
  if (used < m_width) out.append(m_width - used, ' ');
}

bool cutWellFormed(const char* text, uint32_t length, uint32_t columnWidth,
                   std::vector<CellPiece>& pieces) {
  if (length == 0) {
    pieces.emplace_back(0, 0, columnWidth);
    return true;
  }
  // Plain ASCII in a column of two or more is cut by counting: whole lines
  // of `columnWidth` bytes, then the rest padded.
  if (columnWidth >= 2 && isPlainAscii(text, length)) {
    uint32_t offset = 0;
    for (; length - offset > columnWidth; offset += columnWidth) {
      pieces.emplace_back(offset, columnWidth, 0);
    }
    pieces.emplace_back(offset, length - offset, columnWidth - (length - offset));
    return true;
  }
  // A width of 1 cuts one character a line either way: no line is ever
  // padded, as when splitCell steps character by character.
  const size_t first = pieces.size();
  if (cutByWidth<kVerbatim>(text, length, columnWidth, true, pieces)) return true;
  pieces.resize(first);
  return false;
}

std::vector<std::string> splitCell(const std::string& text, uint32_t columnWidth) {
  std::string copy = text;
  std::vector<CellPiece> pieces;
  splitCell(&copy[0], static_cast<uint32_t>(copy.size()), columnWidth, pieces);
  return toStrings(copy.data(), pieces);
}

}  // namespace oryx
