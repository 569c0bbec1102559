#ifndef ORYXUTIL_EXPORT_XMLFORMATFILE_H
#define ORYXUTIL_EXPORT_XMLFORMATFILE_H

// Writes a table as one XML document:
//   <?xml ... encoding="..."?>, <ExportFileInfo name="E">, one
//   <Record name="R"> per record holding one <column name="T"> element per
//   title (an empty field gives <column name="T"/>), </ExportFileInfo>.
// Field bytes & < > ' " are written as entities and a line feed as LF 0x7F;
// titles and names are written as they are. A zero byte cuts the field up
// to its next escaped byte. The tag texts are prepared by the first
// successful writeColumnTitle and kept for the writer's life.
// The document head is flushed by startDocument; records go to the buffer
// and reach the disk in large writes (complete only after endDocument).
// Results: 0 / -1; failures reported through the trace client, except those
// of writeColumnTitle. Not thread-safe: one caller thread at a time.

#include "oryxutil/export/FormatFile.h"

#include "export/ExportFile.h"
#include "export/RecordBuffer.h"

#include <cstdint>
#include <memory>

class XMLFormatFile : public FormatFile {
 public:
  // params: the export name, then the record element name.
  explicit XMLFormatFile(const std::list<std::string>& params);
  ~XMLFormatFile() override;

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
  // Opening, closing and empty-element text of one element.
  struct ColumnTags {
    std::string open;
    std::string close;
    std::string empty;
  };

  template <typename Record>
  long writefile(const Record& record);
  char* escapeInto(char* at, const std::string& field);

  std::string m_exportName;
  ColumnTags m_exportTags;
  std::string m_recordName;
  ColumnTags m_recordTags;
  std::unique_ptr<ColumnTags[]> m_columns;
  int32_t m_columnCount = 0;
  std::string fileName;
  bool m_isWrite = false;
  oryx::ExportFile m_file;
  std::string m_encoding;
  std::string m_fileNameCoding = "UTF-8";
  oryx::RecordBuffer m_record;  // one record being formatted
};

#endif
