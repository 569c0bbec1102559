// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_HTML_HTMLFORMATFILE_H
#define ORYXUTIL_EXPORT_HTML_HTMLFORMATFILE_H

// Writes a table as one HTML page: a fixed head, an empty caption, a TABLE
// tag whose WIDTH is 5 x the accumulated column width, one header row of TH
// cells and one TR row per record. Titles and fields are written as they
// are (nothing escaped); an empty title or field shows as <BR>.
// The column widths of every writeColumnTitle call add up (32-bit, never
// reset); the header row is replaced by each call that has titles.
// Options (all off: exactly the bytes above): escapeMarkup makes the page
// valid HTML5 that gives every text back -- a DOCTYPE, the caption inside
// the table, the vertical alignment as VALIGN (not a second ALIGN), & < > "
// in titles, caption and fields as entities and the characters parsers
// report as U+FFFD (HtmlText.h; line breaks stay); formulaGuard puts ' before
// a title or field that starts like a formula (FormulaGuard.h), also after
// the leading white space readers drop; declareCharset
// adds a Content-Type META naming the content's encoding (UTF-8, or GB2312
// for local-charset content); utf8Bom starts UTF-8 content with a
// byte-order mark.
// The page head is flushed by startDocument; rows are built in the file's
// bounded buffer and reach the disk in large writes (complete only after
// endDocument).
// Results: 0 / -1, failures reported through the trace client.
// Not thread-safe: one caller thread at a time per object.

#include "export/DocumentWriter.h"
#include "export/TagText.h"

#include <cstdint>

class HTMLFormatFile : public DocumentWriter {
 public:
  // The factory's parameters are not used.
  explicit HTMLFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options = {});

 private:
  bool hasTitles() const override { return !m_ColumnTitle.empty(); }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) override;
  bool writeHead() override;
  bool writeRow(const std::vector<std::string>& record) override;
  bool writeRow(const std::list<std::string>& record) override;
  bool writeTail() override;

  template <typename Record>
  bool writefile(const Record& record);
  // A title, the caption or a field as the page shows it.
  std::string markup(const std::string& text) const;
  // The row of a record, its fields escaped or not.
  template <bool kEscape, typename Record>
  void putRow(oryx::OutputCursor& out, const Record& record);
  // One cell holding a non-empty field.
  template <bool kEscape>
  void writeCell(oryx::OutputCursor& out, const std::string& field);

  std::string m_ColumnTitle;
  std::string m_caption;
  int32_t m_tableWidth = 0;
  int32_t m_border = 2;
  int32_t m_hAlign = 0;  // 0 left, 1 center, 2 right, other left
  int32_t m_vAlign = 1;  // 0 top, 1 middle, 2 bottom, other middle
  int32_t m_cellPadding = 5;
  int32_t m_cellSpacing = 1;
  oryx::TagText m_cellStart;
  bool m_utf8 = true;          // the open document's content is UTF-8
  std::string m_strictText;    // scratch of a field with characters parsers report
  const oryx::WriterOptions m_options;
};

#endif
