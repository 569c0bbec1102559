// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_XLSX_XLSXFORMATFILE_H
#define ORYXUTIL_EXPORT_XLSX_XLSXFORMATFILE_H

// Writes a table as a spreadsheet workbook: on each sheet a bold, frozen
// title row with an autofilter over the titled columns, then one row per
// non-empty record, every field a string cell (numericCells: plain decimals
// become numbers). A sheet holds 1,048,576 rows; further records go on to
// Sheet2, Sheet3 ... each headed by the same title row. The widths given
// with the titles are column widths in characters (none or <= 0: the
// default width; at most 255).
// Text is UTF-8; in local-charset content mode (see ContentEncoding.h,
// decided when a document starts) fields and titles are converted from the
// local character set. Cell text is repaired and cut as XLSXCellText.h says
// (xmlSafeText: CR, DEL and C1 kept, so readers get them back); a cut is
// reported once per document.
// Titles are required: without them startDocument fails (a filter and a
// frozen pane need a title row). A second non-empty writeColumnTitle
// replaces the titles for the next document; encoding arguments are ignored.
// The workbook is written in constant memory: rows go to a temporary file
// in the export file's directory (removed by the system once closed) and
// the file itself is written by endDocument. startDocument creates the file
// at once, so a bad path fails there; a full disk fails the writeRecord that
// finds it (rows reach the disk in buffered batches) or endDocument.
// Destroying a started writer writes the workbook with the records so far.
// Results: 0 / -1, failures reported through the trace client.
// Not thread-safe: one caller thread at a time per object.

#include "export/ContentEncoding.h"
#include "export/DocumentWriter.h"
#include "export/xlsx/XLSXCellText.h"

#include <cstdint>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

class XLSXFormatFile : public DocumentWriter {
 public:
  // params is ignored.
  XLSXFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options);
  ~XLSXFormatFile() override;
  XLSXFormatFile(const XLSXFormatFile&) = delete;
  XLSXFormatFile& operator=(const XLSXFormatFile&) = delete;

  // Rows per sheet, title row included; tests lower it to reach a second
  // sheet quickly. Takes effect at the next sheet.
  void setSheetRows(uint32_t rows) { m_sheetRows = rows; }

 private:
  bool hasTitles() const override { return !m_ColumnTitle.empty(); }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) override;
  bool canStart(const char* name) override;
  bool writeHead() override;
  bool writeRow(const std::vector<std::string>& record) override;
  bool writeRow(const std::list<std::string>& record) override;
  bool writeTail() override;

  template <typename Record>
  bool writefile(const Record& record);
  // Opens the next sheet of the document and writes its head; false (the
  // current sheet stays) when the library cannot make one.
  bool addSheet();
  // Sets the filter of the current sheet over the rows written.
  void finishSheet();
  // Whether the current sheet's buffered rows could not be written.
  bool sheetFailed();
  // The cell text of a field: converted, repaired, cut (and the cut reported).
  const char* cellText(const std::string& field);
  // Frees the workbook without writing it.
  void discardWorkbook();

  std::vector<std::string> m_ColumnTitle;
  std::vector<long> m_ColumnWidth;
  const oryx::WriterOptions m_options;

  // The open document.
  lxw_workbook* m_workbook = nullptr;
  lxw_worksheet* m_sheet = nullptr;
  lxw_format* m_titleFormat = nullptr;  // owned by the workbook
  std::string m_tmpDir;                 // where the rows wait, for the workbook's life
  std::vector<std::string> m_titleCells;  // the title row of every sheet of the document
  uint32_t m_sheetRows;
  uint32_t m_row = 0;  // the next row of the current sheet
  uint32_t m_sheetCount = 0;
  bool m_localCharset = false;
  bool m_cutReported = false;

  oryx::CellText m_cell;
  oryx::LocalCharsetDecoder m_decoder;
};

#endif
