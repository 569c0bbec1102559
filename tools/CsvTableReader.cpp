// SPDX-License-Identifier: Apache-2.0
#include "CsvTableReader.h"

#include "Utf8Check.h"

#include <csv.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <new>

namespace oryxtool {

namespace {

const size_t kBlockSize = 64 * 1024;
const char kBom[] = "\xEF\xBB\xBF";
const size_t kBomSize = 3;

// RFC 4180 keeps blanks around fields as content.
int noSpace(unsigned char) { return 0; }

// Frees the parser on every way out.
struct Parser {
  csv_parser p;
  bool ok;
  Parser() {
    ok = csv_init(&p, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL) == 0;
    if (ok) csv_set_space_func(&p, noSpace);
  }
  void setDelimiter(char delimiter) {
    if (ok) csv_set_delim(&p, static_cast<unsigned char>(delimiter));
  }
  ~Parser() {
    if (ok) csv_free(&p);
  }
};

}  // namespace

CsvTableReader::CsvTableReader(int fd, char delimiter, bool checkUtf8, bool quoting)
    : m_fd(fd), m_delimiter(delimiter), m_checkUtf8(checkUtf8), m_quoting(quoting) {}

bool CsvTableReader::checkBytes(const char* data, size_t size) {
  if (std::memchr(data, '\0', size) != nullptr) {
    m_error = "NUL byte: the input is not text";
  } else if (m_checkUtf8 && !isUtf8(data, size)) {
    m_error = "malformed UTF-8 (this export is written as UTF-8)";
  } else {
    return true;
  }
  m_errorLine = m_line;
  return false;
}

void CsvTableReader::onField(void* data, size_t size, void* self) {
  auto* reader = static_cast<CsvTableReader*>(self);
  if (reader->m_stopped) return;
  const char* text = data ? static_cast<const char*>(data) : "";
  // No exception may cross the C parser: it is kept and thrown after it.
  try {
    // Field strings are reused from record to record to spare allocations.
    if (reader->m_fieldCount < reader->m_fields.size()) {
      reader->m_fields[reader->m_fieldCount].assign(text, size);
    } else {
      reader->m_fields.emplace_back(text, size);
    }
  } catch (...) {
    reader->m_thrown = std::current_exception();
    reader->m_stopped = true;
    return;
  }
  ++reader->m_fieldCount;
}

void CsvTableReader::onRowEnd(int terminator, void* self) {
  auto* reader = static_cast<CsvTableReader*>(self);
  // Every unquoted line end is reported, so an empty row is a blank line or
  // the LF of a CR LF pair.
  if (!reader->m_stopped && reader->m_fieldCount > 0) {
    reader->m_fields.resize(reader->m_fieldCount);
    try {
      if (!(*reader->m_onRecord)(reader->m_fields, reader->m_rowStart)) reader->m_stopped = true;
    } catch (...) {
      reader->m_thrown = std::current_exception();
      reader->m_stopped = true;
    }
  }
  reader->m_fieldCount = 0;
  // The piece being parsed ends at its LF, so a record after an LF starts on
  // the next line and one after a lone CR on this one.
  reader->m_rowStart = terminator == '\n' ? reader->m_line + 1 : reader->m_line;
  if (terminator == '\n') reader->m_lfEnded = true;
}

bool CsvTableReader::splitPlainLine(const char* data, size_t size) {
  if (size > 0 && data[size - 1] == '\n') --size;
  if (size > 0 && data[size - 1] == '\r') --size;
  m_rowStart = m_line + 1;
  if (size == 0) return true;  // a blank line
  const char* end = data + size;
  m_fieldCount = 0;
  for (const char* field = data;; ++field) {
    const char* comma =
        static_cast<const char*>(std::memchr(field, m_delimiter, static_cast<size_t>(end - field)));
    const char* fieldEnd = comma ? comma : end;
    onField(const_cast<char*>(field), static_cast<size_t>(fieldEnd - field), this);
    if (!comma) break;
    field = comma;
  }
  m_fields.resize(m_fieldCount);
  m_fieldCount = 0;
  if (!(*m_onRecord)(m_fields, m_line)) m_stopped = true;
  return !m_stopped;
}

bool CsvTableReader::parseLine(void* parser, const char* line, size_t size) {
  if (!checkBytes(line, size)) return false;
  // A line without quotes or inner CRs, between records, is split at its
  // separators directly; the parser takes every other line, where the rules of
  // quoting apply. Both give the same fields.
  const bool crlf = size >= 2 && line[size - 1] == '\n' && line[size - 2] == '\r';
  if (!m_quoting ||
      (m_idle && !std::memchr(line, '"', size) && !std::memchr(line, '\r', crlf ? size - 2 : size))) {
    return splitPlainLine(line, size);
  }
  m_lfEnded = false;
  const bool ok = parsePiece(parser, line, size);
  m_idle = m_lfEnded;
  return ok;
}

bool CsvTableReader::parsePiece(void* parser, const char* data, size_t size) {
  auto* p = static_cast<csv_parser*>(parser);
  const size_t parsed = csv_parse(p, data, size, onField, onRowEnd, this);
  if (m_thrown) std::rethrow_exception(m_thrown);
  if (parsed != size) {
    if (csv_error(p) == CSV_ENOMEM) throw std::bad_alloc();
    m_errorLine = m_line;
    m_error = csv_error(p) == CSV_EPARSE
                  ? "misplaced quote: a field holding a quote must be quoted as a whole "
                    "(quotes inside doubled), and nothing may follow its closing quote"
                  : csv_strerror(csv_error(p));
    return false;
  }
  return !m_stopped;
}

bool CsvTableReader::read(const RecordHandler& onRecord) {
  m_onRecord = &onRecord;
  Parser parser;
  if (!parser.ok) throw std::bad_alloc();
  parser.setDelimiter(m_delimiter);
  // A line cut by the end of a block waits at the front of the block for
  // its rest, so every piece handed on is a whole line.
  std::vector<char> block(kBlockSize);
  size_t kept = 0;
  size_t searched = 0;  // leading bytes of the block known to hold no LF
  bool bomChecked = false;
  for (;;) {
    if (kept == block.size()) block.resize(block.size() * 2);
    const ssize_t got = ::read(m_fd, block.data() + kept, block.size() - kept);
    if (got < 0) {
      if (errno == EINTR) continue;
      m_errorLine = 0;  // the file's fault, not a line's
      m_error = std::strerror(errno);
      return false;
    }
    m_bytesRead += static_cast<uint64_t>(got);
    const bool atEnd = got == 0;
    const char* piece = block.data();
    const char* end = piece + kept + static_cast<size_t>(got);
    if (!bomChecked && (end - piece >= static_cast<ptrdiff_t>(kBomSize) || atEnd)) {
      bomChecked = true;
      if (end - piece >= static_cast<ptrdiff_t>(kBomSize) && std::memcmp(piece, kBom, kBomSize) == 0) {
        piece += kBomSize;
      }
    }
    // A long line is searched for its end once, not again with every block.
    const char* unsearched = block.data() + searched;
    while (bomChecked && piece < end) {
      const char* from = std::max(piece, unsearched);
      const char* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(end - from)));
      if (!lf && !atEnd) break;
      const char* pieceEnd = lf ? lf + 1 : end;
      if (!parseLine(&parser.p, piece, static_cast<size_t>(pieceEnd - piece))) return false;
      if (lf) ++m_line;
      piece = pieceEnd;
    }
    if (atEnd) break;
    kept = static_cast<size_t>(end - piece);
    searched = bomChecked ? kept : 0;
    std::memmove(block.data(), piece, kept);
  }
  const int finished = csv_fini(&parser.p, onField, onRowEnd, this);
  if (m_thrown) std::rethrow_exception(m_thrown);
  if (finished != 0) {
    m_errorLine = m_rowStart;
    m_error = "unterminated quote: a quoted field of the record starting on this line is never closed";
    return false;
  }
  return !m_stopped;
}

}  // namespace oryxtool
