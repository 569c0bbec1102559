// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_XLSX_XLSXCELLTEXT_H
#define ORYXUTIL_EXPORT_XLSX_XLSXCELLTEXT_H

// The text of a workbook cell made from a field's UTF-8 bytes:
//  - each malformed sequence (its maximal ill-formed part), each control
//    character other than tab and line feed (C0, DEL, C1) and the
//    non-characters U+FFFE and U+FFFF become U+FFFD;
//    (keepAllowed: CR, DEL and C1 are kept -- XML allows them, and the
//    workbook library writes CR as "_x000D_", which programs decode);
//  - an underscore that would start an escape a spreadsheet program decodes
//    ("_x" four hex digits "_") is itself escaped, so the cell shows the text;
//  - the text is cut before the character that would take it past
//    kMaxCellUnits UTF-16 units (an escaped underscore counts as written:
//    the workbook library counts what it is given; a CR it escapes itself).
// Pure apart from the scratch buffer: one CellText per writer, one thread.

#include <cstddef>
#include <string>

namespace oryx {

// The most text a cell holds, in UTF-16 units (what the program counts).
const size_t kMaxCellUnits = 32767;

class CellText {
 public:
  explicit CellText(bool keepAllowed = false) : m_keepAllowed(keepAllowed) {}

  // The cell text as a zero-terminated string: `field` itself when it needs
  // no change, else the scratch buffer (valid until the next call). `cut`
  // tells whether the text was shortened.
  const char* prepare(const std::string& field, bool& cut);

 private:
  bool m_keepAllowed;
  std::string m_text;  // grows to the largest rewritten field, never shrinks
};


}  // namespace oryx

#endif
