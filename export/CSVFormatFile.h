#ifndef ORYXUTIL_EXPORT_CSVFORMATFILE_H
#define ORYXUTIL_EXPORT_CSVFORMATFILE_H

// Writes a table as comma-separated text: one title line (the titles joined
// by "," as they are), then one line per non-empty record. A field is quoted
// only when it holds a quote, comma, CR or LF; quotes inside are doubled; a
// field is written up to its first zero byte. Lines end with LF.
// Every line is flushed with one write, so the file is complete up to the
// last record at any moment.
// Results: 0 / -1, failures reported through the trace client.
// Not thread-safe: one caller thread at a time per object.

#include "oryxutil/export/FormatFile.h"

#include "export/ExportFile.h"

class CSVFormatFile : public FormatFile {
 public:
  explicit CSVFormatFile(const std::list<std::string>& params);
  ~CSVFormatFile() override;

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
  void writeField(const std::string& field, bool first);

  std::string m_ColumnTitle;
  std::string fileName;
  bool m_isWrite = false;
  oryx::ExportFile m_file;
  std::string m_fileNameCoding = "UTF-8";
};

#endif
