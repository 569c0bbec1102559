#include "export/CSVFormatFile.h"

#include "companion/trace/Report.h"
#include "export/ByteScan.h"
#include "export/ContentEncoding.h"
#include "export/WriterCodes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

// What the field encoder does with a byte: copy it (kPlain), copy it and
// quote the field (kQuote: comma, CR, LF), write it twice and quote the
// field (kDouble: the quote), or stop copying (kStop: a zero byte).
enum : uint8_t { kPlain = 0, kQuote, kDouble, kStop };
struct ByteActions {
  uint8_t action[256];
};
constexpr ByteActions makeActions() {
  ByteActions table{};
  table.action[static_cast<unsigned char>(',')] = kQuote;
  table.action[static_cast<unsigned char>('\r')] = kQuote;
  table.action[static_cast<unsigned char>('\n')] = kQuote;
  table.action[static_cast<unsigned char>('"')] = kDouble;
  table.action[0] = kStop;
  return table;
}
constexpr ByteActions kActions = makeActions();

// Fields up to this size are encoded in one pass straight into the output;
// larger ones in pieces of this size, their quoting decided first.
const size_t kPieceSize = 64 * 1024;

bool needsQuotes(const unsigned char* p, const unsigned char* end) {
  for (; p < end; ++p) {
    const uint8_t action = kActions.action[*p];
    if (action == kQuote || action == kDouble) return true;
  }
  return false;
}

// A spreadsheet takes a cell starting with one of these for a formula.
bool startsLikeFormula(const std::string& field) {
  if (field.empty()) return false;
  const char c = field[0];
  return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// The CSV field encoder: copies [p, end) to `at` with quotes doubled, plain
// runs eight bytes a step (copyPlain), and stops at a zero byte (`p` is
// left there) or at `end`. `text` is where the field's text starts in the output, `quoted`
// whether an opening quote is known to come before it: the first byte that
// needs quoting moves the text up by one and puts the quote at `text`. A
// zero byte ends the copy but the rest of [p, end) still decides the
// quoting. Needs 2 x (end - p) + 1 bytes of room; returns the end.
char* encode(char* at, char* text, bool& quoted, const unsigned char*& p, const unsigned char* end) {
  const uint8_t* const action = kActions.action;
  auto openQuote = [&] {
    std::memmove(text + 1, text, static_cast<size_t>(at - text));
    *text = '"';
    ++at;
    quoted = true;
  };
  for (;;) {
    oryx::copyPlain(action, at, p, end);
    if (p == end) return at;
    const uint8_t what = action[*p];
    if (what == kStop) {
      if (!quoted && needsQuotes(p + 1, end)) openQuote();
      return at;
    }
    if (!quoted) openQuote();
    *at++ = static_cast<char>(*p);
    if (what == kDouble) *at++ = '"';
    ++p;
  }
}

// Appends the encoded field to `line` (titles: not a hot path).
void appendEncoded(std::string& line, const std::string& field) {
  const size_t start = line.size();
  line.resize(start + 2 * field.size() + 2);
  char* const text = &line[start];
  const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
  bool quoted = false;
  char* at = encode(text, text, quoted, p, p + field.size());
  if (quoted) *at++ = '"';
  line.resize(static_cast<size_t>(at - line.data()));
}

}  // namespace

CSVFormatFile::CSVFormatFile(const std::list<std::string>& /*params*/, const oryx::WriterOptions& options)
    : m_options(options) {}

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
  if (m_options.utf8Bom && oryx::isUtf8ContentMode()) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
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
  // The line is encoded straight into the file's buffer and leaves in one write.
  oryx::OutputCursor out(m_file);
  bool first = true;
  bool blank = true;
  for (const std::string& field : record) {
    blank = !writeField(out, field, first) && first;
    first = false;
  }
  out.need(3);
  // A line with nothing on it would be dropped by readers.
  if (m_options.quoteTitles && blank) {
    *out.at++ = '"';
    *out.at++ = '"';
  }
  *out.at++ = '\n';
  out.done();
  if (!m_file.flush()) {
    report("CSVFormatFile::writefile: writen failed. fileName is %s. errno = %d.", fileName.c_str(),
           errno);
    return kFailed;
  }
  return kOk;
}

bool CSVFormatFile::writeField(oryx::OutputCursor& out, const std::string& field, bool first) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
  const unsigned char* const end = p + field.size();
  const bool guard = m_options.formulaGuard && startsLikeFormula(field);
  if (field.size() <= kPieceSize) {
    out.need(2 * field.size() + 4);  // comma, guard, text, quotes
    if (!first) *out.at++ = ',';
    char* const text = out.at;
    if (guard) *out.at++ = '\'';
    bool quoted = false;
    out.at = encode(out.at, text, quoted, p, end);
    if (quoted) *out.at++ = '"';
    return out.at != text;
  }
  // A field larger than a piece: the whole field decides the quoting first,
  // then it is encoded piece by piece up to its first zero byte.
  bool quoted = needsQuotes(p, end);
  const bool blank = !quoted && *p == 0;
  out.need(3);
  if (!first) *out.at++ = ',';
  if (quoted) *out.at++ = '"';
  if (guard) *out.at++ = '\'';
  while (p < end) {
    const unsigned char* const pieceEnd = p + std::min(kPieceSize, static_cast<size_t>(end - p));
    out.need(2 * kPieceSize + 1);
    out.at = encode(out.at, out.at, quoted, p, pieceEnd);
    if (p != pieceEnd) break;  // a zero byte
  }
  out.need(1);
  if (quoted) *out.at++ = '"';
  return !blank;
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
    if (m_options.quoteTitles) {
      appendEncoded(m_ColumnTitle, title);
    } else {
      m_ColumnTitle += title;
    }
    first = false;
  }
  // One empty title: a line with nothing on it would be dropped by readers.
  if (m_options.quoteTitles && m_ColumnTitle.empty()) m_ColumnTitle = "\"\"";
  return kOk;
}

void CSVFormatFile::setFileNameCoding(const std::string& coding) { m_fileNameCoding = coding; }
