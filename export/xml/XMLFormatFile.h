// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_XML_XMLFORMATFILE_H
#define ORYXUTIL_EXPORT_XML_XMLFORMATFILE_H

// Writes a table as one XML document:
//   <?xml ... encoding="..."?>, <ExportFileInfo name="E">, one
//   <Record name="R"> per record holding one <column name="T"> element per
//   title (an empty field gives <column name="T"/>), </ExportFileInfo>.
// Field bytes & < > ' " are written as entities and a line feed as LF 0x7F;
// titles and names are written as they are. A zero byte cuts the field up
// to its next escaped byte. The tag texts are prepared by the first
// successful writeColumnTitle and kept for the writer's life.
// Options (all off: exactly the bytes above): xmlSafeText makes every
// document well-formed -- names and titles escaped too (with LF and TAB as
// references, which attribute values would otherwise lose), characters XML
// 1.0 forbids and, in a UTF-8 document, malformed UTF-8 replaced by U+FFFD,
// CR written as &#13;, an encoding name XML cannot carry replaced by the
// content's own, a record with more fields than columns refused before any
// of it is written; utf8Bom puts a byte-order mark before a UTF-8 declaration.
// The document head is flushed by startDocument; records are built in the
// file's bounded buffer and reach the disk in large writes (complete only
// after endDocument).
// Results: 0 / -1; failures reported through the trace client, except those
// of writeColumnTitle. Not thread-safe: one caller thread at a time.

#include "export/DocumentWriter.h"
#include "export/TagText.h"
#include "export/xml/XmlEscape.h"

#include <cstdint>
#include <memory>

class XMLFormatFile : public DocumentWriter {
 public:
  // params: the export name, then the record element name.
  explicit XMLFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options = {});

 private:
  // Opening, closing and empty-element text of one element.
  struct ColumnTags {
    oryx::TagText open;
    oryx::TagText close;
    oryx::TagText empty;
  };

  bool hasTitles() const override { return m_columns != nullptr; }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) override;
  void takeDocumentEncoding(const char* encoding) override;
  bool canStart(const char* name) override;
  bool writeHead() override;
  bool writeRow(const std::vector<std::string>& record) override;
  bool writeRow(const std::list<std::string>& record) override;
  bool writeTail() override;

  template <typename Record>
  bool writefile(const Record& record);
  // One column element holding a non-empty field.
  void writeColumn(oryx::OutputCursor& out, const ColumnTags& column, const std::string& field);
  // The tag texts of the names and of `titles`, their attribute values
  // escaped by `names` (null: written as they are).
  void prepareTags(const std::list<std::string>& titles, const oryx::EscapeTable* names);
  // The encoding the declaration names.
  std::string declaredEncoding() const;

  std::string m_exportName;
  ColumnTags m_exportTags;
  std::string m_recordName;
  ColumnTags m_recordTags;
  std::unique_ptr<ColumnTags[]> m_columns;
  int32_t m_columnCount = 0;
  std::string m_encoding;
  bool m_encodingGiven = false;  // the starting document was given one
  const oryx::WriterOptions m_options;
  std::list<std::string> m_titles;  // kept to escape them for each document's encoding
  const oryx::EscapeTable* m_fieldTable;  // how the open document escapes fields
};

#endif
