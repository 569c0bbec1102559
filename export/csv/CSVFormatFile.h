// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_CSV_CSVFORMATFILE_H
#define ORYXUTIL_EXPORT_CSV_CSVFORMATFILE_H

// Writes a table as comma-separated text: one title line (the titles joined
// by "," as they are), then one line per non-empty record. A field is quoted
// only when it holds a quote, comma, CR or LF; quotes inside are doubled; a
// field is written up to its first zero byte. Lines end with LF.
// Options (all off: exactly the bytes above): quoteTitles encodes the titles
// like fields and writes a record of one empty field as ""; formulaGuard
// puts ' before a field or title starting with = + - @ TAB or CR
// (FormulaGuard.h); utf8Bom starts
// UTF-8 content with a byte-order mark.
// Every line is flushed with one write, so the file is complete up to the
// last record at any moment (flushEachRecord off: lines are gathered into
// large writes). The buffer stays bounded whatever the field size.
// Results: 0 / -1, failures reported through the trace client.
// Not thread-safe: one caller thread at a time per object.

#include "export/DocumentWriter.h"

class CSVFormatFile : public DocumentWriter {
 public:
  // The factory's parameters are not used.
  explicit CSVFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options = {});

 private:
  bool hasTitles() const override { return !m_ColumnTitle.empty(); }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) override;
  bool writeHead() override;
  bool writeRow(const std::vector<std::string>& record) override;
  bool writeRow(const std::list<std::string>& record) override;

  template <typename Record>
  bool writefile(const Record& record);
  // Encodes one field at the cursor; false when it wrote no text (a comma aside).
  bool writeField(oryx::OutputCursor& out, const std::string& field, bool first);

  std::string m_ColumnTitle;
  const oryx::WriterOptions m_options;
};

#endif
