// SPDX-License-Identifier: Apache-2.0
#include "export/csv/CSVFormatFile.h"

#include "companion/ResultCodes.h"
#include "export/ByteScan.h"
#include "export/ContentEncoding.h"
#include "export/FormulaGuard.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

using oryx::kOk;

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

namespace {

const oryx::WriterReports kReports = {
    "CSVFormatFile::writeColumnTitle:return -1",
    "CSVFormatFile::startDocument: fileName is Null.",
    "CSVFormatFile::startDocument: m_isWrite is true, %s.",
    "CSVFormatFile::startDocument: open fail, file=%s, errno=%d.",
    "CSVFormatFile::startDocument: write ColumTitle fail, file=%s, errno=%d.",
    nullptr,  // a record before the start
    "CSVFormatFile::writefile: File hasn't been open. fileName is %s.",
    "CSVFormatFile::writefile: writen failed. fileName is %s. errno = %d.",
    "CSVFormatFile::endDocument: m_isWrite is false, %s.",
    nullptr,  // the file is closed as it is
    "CSVFormatFile::endDocument: failed, %s. errno = %d ",
};

}  // namespace

CSVFormatFile::CSVFormatFile(const std::list<std::string>& /*params*/, const oryx::WriterOptions& options)
    : DocumentWriter(kReports, oryx::EmptyRecord::kSkipped), m_options(options) {}

std::unique_ptr<FormatFile> makeCsvWriter(const std::list<std::string>& params, const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new CSVFormatFile(params, options));
}

bool CSVFormatFile::writeHead() {
  if (m_options.utf8Bom && oryx::isUtf8ContentMode()) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
  // The title line is flushed at once so the file is complete up to the last record.
  m_file.append(m_ColumnTitle);
  m_file.append('\n');
  return flushHead();
}

template <typename Record>
bool CSVFormatFile::writefile(const Record& record) {
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
  m_file.endRecord();
  return true;
}

bool CSVFormatFile::writeField(oryx::OutputCursor& out, const std::string& field, bool first) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
  const unsigned char* const end = p + field.size();
  const bool guard = m_options.formulaGuard && oryx::startsLikeFormula(field.data(), field.data() + field.size());
  if (field.size() <= kPieceSize) {
    out.need(2 * field.size() + 4);  // comma, guard, text, quotes
    if (!first) *out.at++ = ',';
    char* const text = out.at;
    if (guard) *out.at++ = oryx::kFormulaGuard;
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
  if (guard) *out.at++ = oryx::kFormulaGuard;
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

long CSVFormatFile::prepareTitles(const std::list<std::string>& titles, const std::list<long>& /*widths*/) {
  // A second call appends to the prepared line: its first title directly,
  // the rest each after a comma (callers set the titles once).
  bool first = true;
  for (const std::string& title : titles) {
    if (!first) m_ColumnTitle += ',';
    const bool guard = m_options.formulaGuard && oryx::startsLikeFormula(title.data(), title.data() + title.size());
    const std::string& text = guard ? oryx::kFormulaGuard + title : title;
    if (m_options.quoteTitles) {
      appendEncoded(m_ColumnTitle, text);
    } else {
      m_ColumnTitle += text;
    }
    first = false;
  }
  // One empty title: a line with nothing on it would be dropped by readers.
  if (m_options.quoteTitles && m_ColumnTitle.empty()) m_ColumnTitle = "\"\"";
  return kOk;
}


bool CSVFormatFile::writeRow(const std::vector<std::string>& record) { return writefile(record); }

bool CSVFormatFile::writeRow(const std::list<std::string>& record) { return writefile(record); }
