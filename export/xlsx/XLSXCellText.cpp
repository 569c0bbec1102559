// SPDX-License-Identifier: Apache-2.0
#include "export/xlsx/XLSXCellText.h"

#include "companion/text/Utf8.h"

#include <cstdint>

namespace oryx {

namespace {

using utf8::kMalformed;

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
// The escape of an underscore itself; the program shows it as "_".
const char kEscapedUnderscore[] = "_x005F_";

// The characters a cell never holds; `keepAllowed`: only those XML forbids.
bool isForbidden(uint32_t code, bool keepAllowed) {
  if (code < 0x20) return code != '\t' && code != '\n' && (code != '\r' || !keepAllowed);
  return (!keepAllowed && code >= 0x7F && code <= 0x9F) || code == 0xFFFE || code == 0xFFFF;
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
    const uint32_t code = *p < 0x80 ? *p : utf8::decode(p, end, length);
    const char* bytes = reinterpret_cast<const char*>(p);
    size_t size = length;
    size_t written = code > 0xFFFF && code != kMalformed ? 2 : 1;
    bool changed = false;
    if (code == kMalformed || isForbidden(code, m_keepAllowed)) {
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
