#include "export/CSVFormatFile.h"

#include "companion/Report.h"
#include "export/WriterCodes.h"

#include <cerrno>
#include <cstring>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

// Bytes that make a field need quoting.
struct QuoteTable {
  bool special[256] = {};
  QuoteTable() {
    special[static_cast<unsigned char>('"')] = true;
    special[static_cast<unsigned char>(',')] = true;
    special[static_cast<unsigned char>('\r')] = true;
    special[static_cast<unsigned char>('\n')] = true;
  }
};
const QuoteTable kQuoteTable;

}  // namespace

CSVFormatFile::CSVFormatFile(const std::list<std::string>& /*params*/) {}

CSVFormatFile::~CSVFormatFile() = default;  // m_file flushes and closes itself

long CSVFormatFile::startDocument(const char* fileName, const char* /*encoding*/) {
  return startDocument(fileName);
}

long CSVFormatFile::startDocument(const char* name) {
  if (name == nullptr) {
    report("CSVFormatFile::startDocument: fileName is Null.");
    return kFailed;
  }
  if (m_isWrite) {
    report("CSVFormatFile::startDocument: m_isWrite is true, %s.", name);
    return kFailed;
  }
  fileName = name;
  if (!m_file.open(fileName)) {
    report("CSVFormatFile::startDocument: open fail, file=%s, errno=%d.", fileName.c_str(), errno);
    return kFailed;
  }
  // The title line is flushed at once so the file is complete up to the last record.
  m_file.append(m_ColumnTitle);
  m_file.append('\n');
  if (!m_file.flush()) {
    report("CSVFormatFile::startDocument: write ColumTitle fail, file=%s, errno=%d.",
           fileName.c_str(), errno);
    return kFailed;
  }
  m_isWrite = true;
  return kOk;
}

long CSVFormatFile::endDocument() {
  if (!m_isWrite) {
    report("CSVFormatFile::endDocument: m_isWrite is false, %s.", fileName.c_str());
    return kFailed;
  }
  const bool closed = m_file.close();
  m_isWrite = false;
  if (!closed) {
    report("CSVFormatFile::endDocument: failed, %s. errno = %d ", fileName.c_str(), errno);
    return kFailed;
  }
  return kOk;
}

long CSVFormatFile::writeRecord(const std::vector<std::string>& record) { return writefile(record); }

long CSVFormatFile::writeRecord(const std::list<std::string>& record) { return writefile(record); }

template <typename Record>
long CSVFormatFile::writefile(const Record& record) {
  if (!m_isWrite) return kFailed;
  if (!m_file.isOpen()) {
    report("CSVFormatFile::writefile: File hasn't been open. fileName is %s.", fileName.c_str());
    return kFailed;
  }
  if (record.empty()) return kOk;
  bool first = true;
  for (const std::string& field : record) {
    writeField(field, first);
    first = false;
  }
  m_file.append('\n');
  if (!m_file.flush()) {
    report("CSVFormatFile::writefile: writen failed. fileName is %s. errno = %d.", fileName.c_str(),
           errno);
    return kFailed;
  }
  return kOk;
}

void CSVFormatFile::writeField(const std::string& field, bool first) {
  if (!first) m_file.append(',');
  const char* data = field.data();
  const size_t size = field.size();
  // Whether to quote is decided on the whole field; the bytes written stop
  // at the first zero byte.
  bool quote = false;
  for (size_t i = 0; i < size; ++i) {
    if (kQuoteTable.special[static_cast<unsigned char>(data[i])]) {
      quote = true;
      break;
    }
  }
  const void* zero = std::memchr(data, '\0', size);
  const size_t visible = zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : size;
  if (!quote) {
    m_file.append(data, visible);
    return;
  }
  m_file.append('"');
  const char* run = data;
  const char* end = data + visible;
  while (run < end) {
    const char* quoteChar = static_cast<const char*>(std::memchr(run, '"', static_cast<size_t>(end - run)));
    if (quoteChar == nullptr) {
      m_file.append(run, static_cast<size_t>(end - run));
      break;
    }
    m_file.append(run, static_cast<size_t>(quoteChar - run + 1));
    m_file.append('"');
    run = quoteChar + 1;
  }
  m_file.append('"');
}

long CSVFormatFile::writeColumnTitle(const std::list<std::string>& titles, const char* /*encoding*/,
                                     const std::list<long>& /*widths*/) {
  return writeColumnTitle(titles, std::list<long>());
}

long CSVFormatFile::writeColumnTitle(const std::list<std::string>& titles,
                                     const std::list<long>& /*widths*/) {
  if (titles.empty()) {
    if (m_ColumnTitle.empty()) {
      report("CSVFormatFile::writeColumnTitle:return -1");
      return kFailed;
    }
    return kOk;
  }
  // A second call appends to the prepared line: its first title directly,
  // the rest each after a comma (callers set the titles once).
  bool first = true;
  for (const std::string& title : titles) {
    if (!first) m_ColumnTitle += ',';
    m_ColumnTitle += title;
    first = false;
  }
  return kOk;
}

void CSVFormatFile::setFileNameCoding(const std::string& coding) { m_fileNameCoding = coding; }
