#include "export/xlsx/XLSXCellText.h"

#include <cstdint>

namespace oryx {

namespace {

const uint32_t kMalformed = 0xFFFFFFFF;
const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
// The escape of an underscore itself; the program shows it as "_".
const char kEscapedUnderscore[] = "_x005F_";

// Decodes the character at `p` (before `end`): sets `length` to its bytes,
// or to its maximal ill-formed part when it is malformed (kMalformed).
uint32_t decode(const unsigned char* p, const unsigned char* end, size_t& length) {
  const unsigned char lead = *p;
  size_t need;
  uint32_t code;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead < 0x80) {
    length = 1;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1, code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2, code = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // no overlong form
    if (lead == 0xED) high = 0x9F;  // no surrogate
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3, code = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // no overlong form
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    length = 1;
    return kMalformed;
  }
  for (size_t i = 1; i <= need; ++i) {
    if (p + i >= end || p[i] < low || p[i] > high) {
      length = i;
      return kMalformed;
    }
    code = (code << 6) | (p[i] & 0x3Fu);
    low = 0x80, high = 0xBF;
  }
  length = need + 1;
  return code;
}

bool isForbidden(uint32_t code) {
  if (code < 0x20) return code != '\t' && code != '\n';
  return (code >= 0x7F && code <= 0x9F) || code == 0xFFFE || code == 0xFFFF;
}

bool isHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether the underscore at `p` starts "_xHHHH_".
bool startsEscape(const unsigned char* p, const unsigned char* end) {
  if (end - p < 7 || p[1] != 'x' || p[6] != '_') return false;
  return isHexDigit(p[2]) && isHexDigit(p[3]) && isHexDigit(p[4]) && isHexDigit(p[5]);
}

}  // namespace

// One pass: the field is only scanned until its first change, then copied
// from there on into the scratch buffer, so clean text is never copied.
const char* CellText::prepare(const std::string& field, bool& cut) {
  const unsigned char* const begin = reinterpret_cast<const unsigned char*>(field.data());
  const unsigned char* const end = begin + field.size();
  const unsigned char* p = begin;
  size_t units = 0;
  bool copying = false;
  cut = false;
  while (p < end) {
    size_t length = 1;
    const uint32_t code = *p < 0x80 ? *p : decode(p, end, length);
    const char* bytes = reinterpret_cast<const char*>(p);
    size_t size = length;
    size_t written = code > 0xFFFF && code != kMalformed ? 2 : 1;
    bool changed = false;
    if (code == kMalformed || isForbidden(code)) {
      bytes = kReplacement, size = sizeof(kReplacement) - 1, changed = true;
    } else if (code == '_' && startsEscape(p, end)) {
      bytes = kEscapedUnderscore, size = written = sizeof(kEscapedUnderscore) - 1, changed = true;
    }
    if (units + written > kMaxCellUnits) {
      cut = true;
      changed = true;
    }
    if (changed && !copying) {
      m_text.assign(field.data(), static_cast<size_t>(p - begin));
      copying = true;
    }
    if (cut) break;
    if (copying) m_text.append(bytes, size);
    units += written;
    p += length;
  }
  return copying ? m_text.c_str() : field.c_str();
}
}  // namespace oryx
