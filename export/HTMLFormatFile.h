#ifndef ORYXUTIL_EXPORT_HTMLFORMATFILE_H
#define ORYXUTIL_EXPORT_HTMLFORMATFILE_H

// Writes a table as one HTML page: a fixed head, an empty caption, a TABLE
// tag whose WIDTH is 5 x the accumulated column width, one header row of TH
// cells and one TR row per record. Titles and fields are written as they
// are (nothing escaped); an empty title or field shows as <BR>.
// The column widths of every writeColumnTitle call add up (32-bit, never
// reset); the header row is replaced by each call that has titles.
// The page head is flushed by startDocument; rows go to the buffer and
// reach the disk in large writes (complete only after endDocument).
// Results: 0 / -1, failures reported through the trace client.
// Not thread-safe: one caller thread at a time per object.

#include "oryxutil/export/FormatFile.h"

#include "export/ExportFile.h"
#include "export/RecordBuffer.h"

#include <cstdint>

class HTMLFormatFile : public FormatFile {
 public:
  // The factory's parameters are not used.
  explicit HTMLFormatFile(const std::list<std::string>& params);
  ~HTMLFormatFile() override;

  long startDocument(const char* fileName, const char* encoding) override;
  long startDocument(const char* fileName) override;
  long endDocument() override;
  long writeRecord(const std::vector<std::string>& record) override;
  long writeRecord(const std::list<std::string>& record) override;
  long writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                        const std::list<long>& widths) override;
  long writeColumnTitle(const std::list<std::string>& titles,
                        const std::list<long>& widths) override;
  void setFileNameCoding(const std::string& coding) override;

 private:
  template <typename Record>
  long writefile(const Record& record);

  std::string m_ColumnTitle;
  std::string fileName;
  bool m_isWrite = false;
  std::string m_caption;
  int32_t m_tableWidth = 0;
  int32_t m_border = 2;
  int32_t m_hAlign = 0;  // 0 left, 1 center, 2 right, other left
  int32_t m_vAlign = 1;  // 0 top, 1 middle, 2 bottom, other middle
  int32_t m_cellPadding = 5;
  int32_t m_cellSpacing = 1;
  std::string m_cellStart;
  oryx::ExportFile m_file;
  std::string m_fileNameCoding = "UTF-8";
  oryx::RecordBuffer m_row;  // one row being formatted
};

#endif
