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
// document well-formed and its text what readers get back -- names and
// titles escaped too (with LF and TAB as references, which attribute values
// would otherwise lose), a line feed written as it is (no marker),
// characters XML 1.0 forbids and malformed text replaced by U+FFFD, CR
// written as &#13;, an encoding name XML cannot carry replaced by the
// content's own (UTF-8, or GB2312 for local-charset content), a record with
// more fields than columns refused before any of it is written. Its bytes
// are in the declared encoding whatever the content mode: text is converted
// (iconv) from the content's set, a character the declared set lacks written
// as a character reference; a set iconv lacks, or one that does not write
// ASCII as ASCII (UTF-16 ...), fails startDocument with a report and no
// file. utf8Bom puts a byte-order mark before a UTF-8 declaration.
// The document head is flushed by startDocument; records are built in the
// file's bounded buffer and reach the disk in large writes (complete only
// after endDocument).
// Results: 0 / -1; failures reported through the trace client, except those
// of writeColumnTitle. Not thread-safe: one caller thread at a time.

#include "export/ContentEncoding.h"
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
  // A safe document's text for `text`: escaped by `table`, in the document's
  // set; valid until the next call.
  const std::string& documentText(const std::string& text, const oryx::EscapeTable& table);

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
  // A safe document's set and the conversions its text goes through.
  std::string m_declared;
  bool m_decode = false;      // the content is in the local set
  bool m_converting = false;  // decoded, encoded or both
  oryx::LocalCharsetDecoder m_decoder;
  oryx::MarkupEncoder m_encoder;
  std::string m_escaped, m_encoded;  // scratch, grown to the largest text
};

#endif
