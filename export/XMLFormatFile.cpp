#include "export/XMLFormatFile.h"

#include "companion/Report.h"
#include "export/ContentEncoding.h"
#include "export/RecordBuffer.h"
#include "export/WriterCodes.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

using oryx::kFailed;
using oryx::kOk;
using oryx::put;
using oryx::report;

namespace {

const char kUtf8Declaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const char kLocalDeclaration[] = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n";

// What the escaper does with each field byte: copy it (0), replace it by
// kReplacements[action] (1..6), or end the current piece (kCut).
const uint8_t kCut = 7;
// Replacements are stored in 8-byte slots and always copied whole (one
// move); only `size` bytes count, so the record buffer keeps kSlack spare.
struct Replacement {
  char text[8];
  size_t size;
};
const Replacement kReplacements[] = {
    {"", 0}, {"&amp;", 5}, {"&lt;", 4}, {"&gt;", 4}, {"&apos;", 6}, {"&quot;", 6}, {"\n\x7F", 2},
};
const size_t kMaxEscape = 6;  // the longest replacement
const size_t kSlack = 8;

struct EscapeTable {
  uint8_t action[256];
};
constexpr EscapeTable makeEscapeTable() {
  EscapeTable table{};
  table.action[static_cast<unsigned char>('&')] = 1;
  table.action[static_cast<unsigned char>('<')] = 2;
  table.action[static_cast<unsigned char>('>')] = 3;
  table.action[static_cast<unsigned char>('\'')] = 4;
  table.action[static_cast<unsigned char>('"')] = 5;
  table.action[static_cast<unsigned char>('\n')] = 6;
  table.action[0] = kCut;
  return table;
}
constexpr EscapeTable kEscape = makeEscapeTable();

}  // namespace

XMLFormatFile::XMLFormatFile(const std::list<std::string>& params) {
  auto param = params.begin();
  if (param != params.end()) m_exportName = *param++;
  if (param != params.end()) m_recordName = *param;
}

XMLFormatFile::~XMLFormatFile() = default;  // m_file flushes and closes itself, without the tail

long XMLFormatFile::startDocument(const char* name, const char* encoding) {
  if (encoding != nullptr) m_encoding = encoding;  // kept even when this call fails
  if (name == nullptr) {
    report("XMLFormatFile::startDocument: fileName is Null.");
    return kFailed;
  }
  if (m_isWrite) {
    report("HTMLFormatFile::startDocument: already start write, %s.", name);
    return kFailed;
  }
  // Without titles there is no export element to open: refused, no file is made.
  if (!m_columns) return kFailed;
  fileName = name;
  if (!m_file.open(fileName)) {
    report("XMLFormatFile::startDocument: open fail, file=%s, errno=%d.", fileName.c_str(), errno);
    return kFailed;
  }
  if (encoding == nullptr && m_encoding.empty()) {
    m_file.append(oryx::isUtf8ContentMode() ? kUtf8Declaration : kLocalDeclaration);
  } else {
    m_file.append("<?xml version=\"1.0\" encoding=\"");
    m_file.append(m_encoding);
    m_file.append("\"?>\n");
  }
  m_file.append(m_exportTags.open);
  // The head is written at once, so a file that cannot take it fails here.
  if (!m_file.flush()) {
    report("XMLFormatFile::writefile: writen columntitle failed. fileName is %s. errno = %d",
           fileName.c_str(), errno);
    m_isWrite = false;
    return kFailed;
  }
  m_isWrite = true;
  return kOk;
}

long XMLFormatFile::startDocument(const char* name) { return startDocument(name, nullptr); }

long XMLFormatFile::endDocument() {
  if (!m_isWrite) {
    report("XMLFormatFile::endDocument: m_isWrite is false, %s.", fileName.c_str());
    return kFailed;
  }
  m_isWrite = false;
  if (!m_file.isOpen()) {
    report("XMLFormatFile::writefile: File haven't open.");
    return kFailed;
  }
  m_file.append(m_exportTags.close);
  if (!m_file.close()) {
    report("XMLFormatFile::endDocument: failed, %s. errno = %d ", fileName.c_str(), errno);
    return kFailed;
  }
  return kOk;
}

long XMLFormatFile::writeRecord(const std::vector<std::string>& record) { return writefile(record); }

long XMLFormatFile::writeRecord(const std::list<std::string>& record) { return writefile(record); }

template <typename Record>
long XMLFormatFile::writefile(const Record& record) {
  if (!m_isWrite) {
    report("XMLFormatFile::writefile can not write");
    return kFailed;
  }
  if (!m_file.isOpen()) {
    report("XMLFormatFile::writefile: file not opened. fileName is %s.", fileName.c_str());
    return kFailed;
  }
  // The record is formatted in the record buffer and appended in one piece;
  // an escaped byte takes at most kMaxEscape bytes.
  size_t size = m_recordTags.open.size() + m_recordTags.close.size();
  auto field = record.begin();
  for (int32_t i = 0; i < m_columnCount; ++i) {
    const ColumnTags& column = m_columns[i];
    size += column.open.size() + column.close.size() + column.empty.size();
    if (field != record.end()) size += kMaxEscape * (field++)->size();
  }
  char* const start = m_record.reserve(size + kSlack);
  char* at = put(start, m_recordTags.open);
  field = record.begin();
  for (int32_t i = 0; i < m_columnCount; ++i) {
    const ColumnTags& column = m_columns[i];
    if (field == record.end()) {
      at = put(at, column.empty);
      continue;
    }
    if (field->empty()) {
      at = put(at, column.empty);
    } else {
      at = put(at, column.open);
      at = escapeInto(at, *field);
      at = put(at, column.close);
    }
    ++field;
  }
  if (field != record.end()) {
    // The record stays unclosed; what was written of it stays in the file.
    m_file.append(start, static_cast<size_t>(at - start));
    m_file.flushIfFull();
    report("more than %d record columns.", m_columnCount);
    return kFailed;
  }
  at = put(at, m_recordTags.close);
  m_file.append(start, static_cast<size_t>(at - start));
  m_file.flushIfFull();
  if (!m_file.good()) {
    report("XMLFormatFile::writefile: writen failed. fileName is %s. errno = %d.", fileName.c_str(),
           errno);
    return kFailed;
  }
  return kOk;
}

// Copies the plain bytes and writes each special byte's replacement. A zero
// byte ends its piece: the bytes after it are dropped up to the next escaped byte.
char* XMLFormatFile::escapeInto(char* at, const std::string& field) {
  const uint8_t* const action = kEscape.action;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
  const unsigned char* const end = p + field.size();
  while (p < end) {
    // A run of plain bytes is copied eight at a time (one move each), the
    // bytes before the next special one singly: no call per run.
    while (end - p >= 8 && (action[p[0]] | action[p[1]] | action[p[2]] | action[p[3]] | action[p[4]] |
                            action[p[5]] | action[p[6]] | action[p[7]]) == 0) {
      std::memcpy(at, p, 8);
      at += 8;
      p += 8;
    }
    while (p < end && action[*p] == 0) *at++ = static_cast<char>(*p++);
    if (p == end) break;
    const uint8_t what = action[*p++];
    if (what == kCut) {
      while (p < end && (action[*p] == 0 || action[*p] == kCut)) ++p;
      continue;
    }
    std::memcpy(at, kReplacements[what].text, sizeof(kReplacements[what].text));
    at += kReplacements[what].size;
  }
  return at;
}

long XMLFormatFile::writeColumnTitle(const std::list<std::string>& titles, const char* /*encoding*/,
                                     const std::list<long>& /*widths*/) {
  return writeColumnTitle(titles, std::list<long>());
}

long XMLFormatFile::writeColumnTitle(const std::list<std::string>& titles,
                                     const std::list<long>& /*widths*/) {
  if (m_recordName.empty() || m_exportName.empty()) return kFailed;
  if (m_recordName == m_exportName) return kFailed;
  if (m_columns) return kOk;  // the first titles stay for the writer's life
  if (titles.empty()) return kFailed;
  // A call that fails on a clashing title leaves these texts; a later call
  // prepares them again, identical since the names never change.
  m_exportTags.open = "<ExportFileInfo name=\"" + m_exportName + "\">\n";
  m_exportTags.close = "</ExportFileInfo>\n";
  m_recordTags.open = "<Record name=\"" + m_recordName + "\">\n";
  m_recordTags.close = "\n</Record>\n";

  std::unique_ptr<ColumnTags[]> columns(new ColumnTags[titles.size()]);
  size_t i = 0;
  for (const std::string& title : titles) {
    if (title == m_recordName || title == m_exportName) {
      m_columnCount = 0;
      return kFailed;
    }
    ColumnTags& column = columns[i++];
    column.open = "<column name=\"" + title + "\">";
    column.close = "</column>";
    column.empty = "<column name=\"" + title + "\"/>";
  }
  m_columns = std::move(columns);
  m_columnCount = static_cast<int32_t>(titles.size());
  return kOk;
}

void XMLFormatFile::setFileNameCoding(const std::string& coding) { m_fileNameCoding = coding; }
