// SPDX-License-Identifier: Apache-2.0
#include "orbcfg/IniText.h"

#include "companion/ResultCodes.h"

#include <algorithm>
#include <cstring>

namespace oryx {

namespace {

// The importer reads with a 4096-byte buffer: 4095 bytes and the NUL.
const size_t kPieceBytes = 4095;
// The longest section part or key the store accepts.
const size_t kMaxNameBytes = 255;
const char kBom[] = "\xEF\xBB\xBF";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// [begin, end) without blanks at either end.
void trim(const char*& begin, const char*& end) {
  while (begin < end && isBlank(*begin)) ++begin;
  while (end > begin && isBlank(end[-1])) --end;
}

bool validName(const char* begin, const char* end) {
  if (static_cast<size_t>(end - begin) > kMaxNameBytes) return false;
  for (const char* c = begin; c < end; ++c) {
    if (*c == '[' || *c == ']') return false;
  }
  return true;
}

// The section path of a header's text, or false for a refused part.
// `section` is left alone when the text has no parts.
bool readSectionPath(const char* begin, const char* end, std::string& section) {
  std::string path;
  while (begin < end) {
    const char* part = begin;
    while (begin < end && *begin != '\\' && *begin != '/') ++begin;
    if (begin > part) {
      if (!validName(part, begin)) return false;
      if (!path.empty()) path += '\\';
      path.append(part, begin);
    }
    if (begin < end) ++begin;
  }
  if (!path.empty()) section.swap(path);
  return true;
}

}  // namespace

TextPiece nextPiece(const char*& next, const char* textEnd, size_t pieceBytes) {
  const char* begin = next;
  const size_t room = std::min(static_cast<size_t>(textEnd - begin), pieceBytes);
  const char* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', room));
  next = lineFeed != nullptr ? lineFeed + 1 : begin + room;
  const char* nul = static_cast<const char*>(std::memchr(begin, '\0', next - begin));
  return TextPiece{begin, nul != nullptr ? nul : next};
}

int readIniText(const std::string& text, const IniEntryTaker& take) {
  const char* next = text.data();
  const char* const textEnd = text.data() + text.size();
  if (text.compare(0, 3, kBom) == 0) next += 3;
  std::string section;
  bool inSection = false;
  while (next < textEnd) {
    const TextPiece piece = nextPiece(next, textEnd, kPieceBytes);
    const char* begin = piece.begin;
    const char* end = piece.end;

    trim(begin, end);
    if (begin == end || *begin == ';' || *begin == '#') continue;
    if (*begin == '[') {
      const char* close = end;
      while (close > begin && close[-1] != ']') --close;
      if (close == begin) return kFailed;
      if (!readSectionPath(begin + 1, close - 1, section)) return kFailed;
      inSection = inSection || !section.empty();
      continue;
    }
    const char* equals = static_cast<const char*>(std::memchr(begin, '=', end - begin));
    if (equals == nullptr || !inSection) return kFailed;
    const char* keyEnd = equals;
    trim(begin, keyEnd);
    if (!validName(begin, keyEnd) || std::memchr(begin, '\\', keyEnd - begin) != nullptr) {
      return kFailed;
    }
    const char* value = equals + 1;
    trim(value, end);
    if (end > value && *value == '"' && end[-1] == '"') {
      ++value;
      if (end > value) --end;
    }
    take(section, std::string(begin, keyEnd), std::string(value, end));
  }
  return kOk;
}

}  // namespace oryx
