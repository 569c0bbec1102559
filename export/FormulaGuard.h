// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_FORMULAGUARD_H
#define ORYXUTIL_EXPORT_FORMULAGUARD_H

// The formula guard of the writers whose files spreadsheet programs open
// (CSV, HTML; WriterOptions::formulaGuard): a program takes a cell whose
// text starts with = + - @ TAB or CR for a formula, so such a text is
// written after an apostrophe, which keeps it text (the program shows the
// apostrophe or drops it, as it does when typed). Pure, thread-safe.

#include <cstddef>

namespace oryx {

const char kFormulaGuard = '\'';

// Whether the text [p, end) starts like a formula.
inline bool startsLikeFormula(const char* p, const char* end) {
  if (p == end) return false;
  const char c = *p;
  return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

}  // namespace oryx

#endif
