// SPDX-License-Identifier: Apache-2.0
#include "export/xml/XMLFormatFile.h"

#include "companion/ResultCodes.h"
#include "companion/trace/Report.h"

#include <cstdint>
#include <memory>

using oryx::EscapeTable;
using oryx::TagText;
using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

// How field text (and, with xmlSafeText, names and titles) is escaped.
// Always: & < > ' " as entities. Legacy: a line feed becomes LF 0x7F (the
// line-feed marker) and a zero byte drops the bytes after it up to the
// next escaped one. Safe (UTF-8 text, carried into the declared set after):
// CR as a reference (readers turn a raw one into LF), the control bytes
// XML 1.0 forbids (a zero byte included), malformed UTF-8 and U+FFFE/U+FFFF
// replaced by U+FFFD; in an attribute value LF and TAB as references,
// since readers turn raw ones into blanks there.
constexpr EscapeTable makeTable(bool safe, bool attribute) {
  EscapeTable table;
  table.replace('&', "&amp;");
  table.replace('<', "&lt;");
  table.replace('>', "&gt;");
  table.replace('\'', "&apos;");
  table.replace('"', "&quot;");
  if (!safe) {
    table.replace('\n', "\n\x7F");
    table.drop(0);
    return table;
  }
  if (attribute) {
    table.replace('\n', "&#10;");
    table.replace('\t', "&#9;");
  }
  table.replace('\r', "&#13;");
  table.setSubstitute("\xEF\xBF\xBD");
  for (unsigned byte = 0; byte < 0x20; ++byte) {
    if (byte != '\t' && byte != '\n' && byte != '\r') table.substitute(static_cast<unsigned char>(byte));
  }
  table.checkUtf8();
  return table;
}

static_assert(TagText::kSlack >= oryx::kEscapeSlack, "a column's room covers the escaper's slack");

constexpr EscapeTable kLegacyText = makeTable(false, false);
constexpr EscapeTable kSafeText = makeTable(true, false);
constexpr EscapeTable kSafeAttribute = makeTable(true, true);

// An encoding name as XML writes it: a letter, then letters, digits, . _ -.
bool isEncodingName(const std::string& name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool other = (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    if (!letter && (i == 0 || !other)) return false;
  }
  return true;
}


const oryx::WriterReports kReports = {
    nullptr,  // titles are refused silently
    "XMLFormatFile::startDocument: fileName is Null.",
    "HTMLFormatFile::startDocument: already start write, %s.",
    "XMLFormatFile::startDocument: open fail, file=%s, errno=%d.",
    "XMLFormatFile::writefile: writen columntitle failed. fileName is %s. errno = %d",
    "XMLFormatFile::writefile can not write",
    "XMLFormatFile::writefile: file not opened. fileName is %s.",
    "XMLFormatFile::writefile: writen failed. fileName is %s. errno = %d.",
    "XMLFormatFile::endDocument: m_isWrite is false, %s.",
    "XMLFormatFile::writefile: File haven't open.",
    "XMLFormatFile::endDocument: failed, %s. errno = %d ",
};

}  // namespace

XMLFormatFile::XMLFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options)
    : DocumentWriter(kReports, oryx::EmptyRecord::kWritten), m_options(options), m_fieldTable(&kLegacyText) {
  auto param = params.begin();
  if (param != params.end()) m_exportName = *param++;
  if (param != params.end()) m_recordName = *param;
}

// The export name and the record element name; further entries are not looked at.
std::unique_ptr<FormatFile> makeXmlWriter(const std::list<std::string>& params, const oryx::WriterOptions& options) {
  if (params.size() < 2) return nullptr;
  auto param = params.begin();
  const std::string& exportName = *param++;
  if (exportName.empty() || param->empty()) return nullptr;
  return std::unique_ptr<FormatFile>(new XMLFormatFile(params, options));
}

std::string XMLFormatFile::declaredEncoding() const {
  const bool fixed = !m_encodingGiven && m_encoding.empty();
  // A name that would make the declaration ill-formed gives way to the content's own.
  if (fixed || (m_options.xmlSafeText && !isEncodingName(m_encoding))) {
    return oryx::isUtf8ContentMode() ? "UTF-8" : "GB2312";
  }
  return m_encoding;
}

void XMLFormatFile::takeDocumentEncoding(const char* encoding) {
  m_encodingGiven = encoding != nullptr;
  if (m_encodingGiven) m_encoding = encoding;  // kept even when this start fails
}

// Without titles there is no export element to open: refused, no file is
// made. A safe document that cannot be written in its declared set is
// refused with a report, before its file is made.
bool XMLFormatFile::canStart(const char* name) {
  if (m_columns == nullptr) return false;
  if (!m_options.xmlSafeText) return true;
  m_declared = declaredEncoding();
  m_decode = !oryx::isUtf8ContentMode();
  m_encoder.close();
  if ((m_decode && !m_decoder.open()) || (!oryx::namesUtf8(m_declared) && !m_encoder.open(m_declared))) {
    report("XMLFormatFile::startDocument: cannot write encoding %s, file=%s.", m_declared.c_str(), name);
    return false;
  }
  return true;
}

bool XMLFormatFile::writeHead() {
  const std::string declared = m_options.xmlSafeText ? m_declared : declaredEncoding();
  const bool utf8 = oryx::namesUtf8(declared);
  if (m_options.xmlSafeText) {
    m_fieldTable = &kSafeText;
    m_converting = m_decode || m_encoder.isOpen();
    prepareTags(m_titles, &kSafeAttribute);
  }
  if (m_options.utf8Bom && utf8) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
  m_file.append("<?xml version=\"1.0\" encoding=\"" + declared + "\"?>\n");
  m_file.append(m_exportTags.open.data(), m_exportTags.open.size());
  return flushHead();
}

bool XMLFormatFile::writeTail() {
  m_file.append(m_exportTags.close.data(), m_exportTags.close.size());
  return true;
}

template <typename Record>
bool XMLFormatFile::writefile(const Record& record) {
  // A safe document stays well-formed: a record it cannot close is not begun.
  if (m_options.xmlSafeText && record.size() > static_cast<size_t>(m_columnCount)) {
    report("more than %d record columns.", m_columnCount);
    return false;
  }
  // The record is built straight in the file's buffer.
  oryx::OutputCursor out(m_file);
  out.need(m_recordTags.open.size() + TagText::kSlack);
  out.at = m_recordTags.open.copyTo(out.at);
  auto field = record.begin();
  for (int32_t i = 0; i < m_columnCount; ++i) {
    const ColumnTags& column = m_columns[i];
    if (field != record.end() && !field->empty()) {
      writeColumn(out, column, *field++);
      continue;
    }
    if (field != record.end()) ++field;
    out.need(column.empty.size() + TagText::kSlack);
    out.at = column.empty.copyTo(out.at);
  }
  if (field != record.end()) {
    // The record stays unclosed; what was written of it stays in the file.
    out.done();
    report("more than %d record columns.", m_columnCount);
    return false;
  }
  out.need(m_recordTags.close.size() + TagText::kSlack);
  out.at = m_recordTags.close.copyTo(out.at);
  out.done();
  return true;
}

[[gnu::always_inline]] inline void XMLFormatFile::writeColumn(oryx::OutputCursor& out, const ColumnTags& column, const std::string& field) {
  const EscapeTable& table = *m_fieldTable;
  if (m_converting) {
    out.put(column.open.data(), column.open.size());
    out.put(documentText(field, table));
    out.put(column.close.data(), column.close.size());
    return;
  }
  if (field.size() > oryx::kEscapePiece) {
    out.put(column.open.data(), column.open.size());
    oryx::escapeTo(out, table, field);
    out.put(column.close.data(), column.close.size());
    return;
  }
  out.need(column.open.size() + table.growth * field.size() + column.close.size() + TagText::kSlack);
  out.at = column.open.copyTo(out.at);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
  const unsigned char* const end = p + field.size();
  out.at = oryx::escape(table, out.at, p, end, end);
  out.at = column.close.copyTo(out.at);
}

long XMLFormatFile::prepareTitles(const std::list<std::string>& titles, const std::list<long>& /*widths*/) {
  if (m_recordName.empty() || m_exportName.empty()) return kFailed;
  if (m_recordName == m_exportName) return kFailed;
  if (m_columns) return kOk;  // the first titles stay for the writer's life
  for (const std::string& title : titles) {
    if (title == m_recordName || title == m_exportName) return kFailed;
  }
  m_titles = titles;
  // Safe tags are made again for each document, escaped for its encoding.
  prepareTags(titles, m_options.xmlSafeText ? &kSafeAttribute : nullptr);
  return kOk;
}

const std::string& XMLFormatFile::documentText(const std::string& text, const EscapeTable& table) {
  const std::string& utf8 = m_decode ? m_decoder.toUtf8(text) : text;
  m_escaped.resize(table.growth * utf8.size() + oryx::kEscapeSlack);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const unsigned char* const end = p + utf8.size();
  m_escaped.resize(static_cast<size_t>(oryx::escape(table, &m_escaped[0], p, end, end) - m_escaped.data()));
  if (!m_encoder.isOpen()) return m_escaped;
  m_encoded.clear();
  m_encoder.append(m_escaped, m_encoded);
  return m_encoded;
}

void XMLFormatFile::prepareTags(const std::list<std::string>& titles, const EscapeTable* names) {
  auto value = [this, names](const std::string& text) { return names ? documentText(text, *names) : text; };
  m_exportTags.open = TagText("<ExportFileInfo name=\"" + value(m_exportName) + "\">\n");
  m_exportTags.close = TagText("</ExportFileInfo>\n");
  m_recordTags.open = TagText("<Record name=\"" + value(m_recordName) + "\">\n");
  m_recordTags.close = TagText("\n</Record>\n");
  std::unique_ptr<ColumnTags[]> columns(new ColumnTags[titles.size()]);
  size_t i = 0;
  for (const std::string& title : titles) {
    ColumnTags& column = columns[i++];
    const std::string attribute = "<column name=\"" + value(title) + "\"";
    column.open = TagText(attribute + ">");
    column.close = TagText("</column>");
    column.empty = TagText(attribute + "/>");
  }
  m_columns = std::move(columns);
  m_columnCount = static_cast<int32_t>(titles.size());
}


bool XMLFormatFile::writeRow(const std::vector<std::string>& record) { return writefile(record); }

bool XMLFormatFile::writeRow(const std::list<std::string>& record) { return writefile(record); }
