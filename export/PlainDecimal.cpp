// SPDX-License-Identifier: Apache-2.0
#include "export/PlainDecimal.h"

namespace oryx {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool isPlainDecimal(const char* text, size_t size) {
  const char* const end = text + size;
  const char* p = text;
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  const char* const integer = p;
  while (p < end && isDigit(*p)) ++p;
  if (p == integer || (p - integer > 1 && *integer == '0')) return false;
  if (p < end && *p == '.') {
    const char* const fraction = ++p;
    while (p < end && isDigit(*p)) ++p;
    if (p == fraction) return false;
  }
  if (p != end) return false;
  size_t significant = 0;
  for (p = integer; p < end; ++p) {
    if (*p == '.' || (significant == 0 && *p == '0')) continue;
    ++significant;
  }
  // A negative zero would show as 0, losing its sign: it stays text.
  if (negative && significant == 0) return false;
  return significant <= 15;
}

}  // namespace oryx
