#include "CsvTableReader.h"

#include <csv.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace oryxtool {

namespace {

const size_t kBlockSize = 64 * 1024;

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
  ~Parser() {
    if (ok) csv_free(&p);
  }
};

}  // namespace

CsvTableReader::CsvTableReader(int fd) : m_fd(fd) {}

void CsvTableReader::onField(void* data, size_t size, void* self) {
  auto* reader = static_cast<CsvTableReader*>(self);
  if (reader->m_stopped) return;
  const char* text = data ? static_cast<const char*>(data) : "";
  // Field strings are reused from record to record to spare allocations.
  if (reader->m_fieldCount < reader->m_fields.size()) {
    reader->m_fields[reader->m_fieldCount].assign(text, size);
  } else {
    reader->m_fields.emplace_back(text, size);
  }
  ++reader->m_fieldCount;
}

void CsvTableReader::onRowEnd(int terminator, void* self) {
  auto* reader = static_cast<CsvTableReader*>(self);
  // Every unquoted line end is reported, so an empty row is a blank line or
  // the LF of a CR LF pair.
  if (!reader->m_stopped && reader->m_fieldCount > 0) {
    reader->m_fields.resize(reader->m_fieldCount);
    if (!(*reader->m_onRecord)(reader->m_fields, reader->m_rowStart)) reader->m_stopped = true;
  }
  reader->m_fieldCount = 0;
  // The piece being parsed ends at its LF, so a record after an LF starts on
  // the next line and one after a lone CR on this one.
  reader->m_rowStart = terminator == '\n' ? reader->m_line + 1 : reader->m_line;
}

bool CsvTableReader::parsePiece(void* parser, const char* data, size_t size) {
  auto* p = static_cast<csv_parser*>(parser);
  if (csv_parse(p, data, size, onField, onRowEnd, this) != size) {
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
  if (!parser.ok) {
    m_error = "out of memory";
    return false;
  }
  std::vector<char> block(kBlockSize);
  for (;;) {
    const ssize_t got = ::read(m_fd, block.data(), block.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      m_errorLine = m_line;
      m_error = std::string("read failed: ") + std::strerror(errno);
      return false;
    }
    if (got == 0) break;
    m_bytesRead += static_cast<uint64_t>(got);
    // The block is parsed line by line so that every callback knows its line.
    const char* piece = block.data();
    const char* end = piece + got;
    while (piece < end) {
      const char* lf = static_cast<const char*>(std::memchr(piece, '\n', static_cast<size_t>(end - piece)));
      const char* pieceEnd = lf ? lf + 1 : end;
      if (!parsePiece(&parser.p, piece, static_cast<size_t>(pieceEnd - piece))) return false;
      if (lf) ++m_line;
      piece = pieceEnd;
    }
  }
  if (csv_fini(&parser.p, onField, onRowEnd, this) != 0) {
    m_errorLine = m_rowStart;
    m_error = "unterminated quote: a quoted field of the record starting on this line is never closed";
    return false;
  }
  return !m_stopped;
}

}  // namespace oryxtool
