// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_CSVTABLEREADER_H
#define ORYXUTIL_TOOLS_CSVTABLEREADER_H

// Streams an RFC 4180 table (quoted fields, doubled quotes, line breaks inside
// quotes; CR LF, LF or CR line ends) from a file descriptor, one record at a
// time, with the input line on which each record starts. The field separator
// is a comma unless told otherwise. A UTF-8 byte-order mark at the start is
// dropped. Blanks are field content; blank lines are skipped. A quote inside
// an unquoted field, text after a closing quote, a quote left open at the
// end, a NUL byte and (when asked) malformed UTF-8 are errors of their line.
// Without quoting (TSV) every line is one record split at each separator:
// quotes are data, a trailing CR is dropped.
// Memory: one record and one read block, whatever the input size; running
// out of it throws std::bad_alloc out of read() (never through the parser).
// Not thread-safe.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace oryxtool {

class CsvTableReader {
 public:
  // Called per record; returning false stops the reading.
  using RecordHandler = std::function<bool(const std::vector<std::string>& fields, long line)>;

  // `fd` stays the caller's; it is read to its end. `delimiter` separates
  // fields; `checkUtf8` refuses text that is not well-formed UTF-8;
  // `quoting` false reads TSV.
  CsvTableReader(int fd, char delimiter, bool checkUtf8, bool quoting = true);

  // Reads every record. False on a read or format error (error() and
  // errorLine() tell which; line 0 for a failed read) or when the handler
  // stopped.
  bool read(const RecordHandler& onRecord);

  const std::string& error() const { return m_error; }
  long errorLine() const { return m_errorLine; }
  // Input bytes consumed so far.
  uint64_t bytesRead() const { return m_bytesRead; }

 private:
  static void onField(void* data, size_t size, void* self);
  static void onRowEnd(int terminator, void* self);
  bool parseLine(void* parser, const char* line, size_t size);
  bool parsePiece(void* parser, const char* data, size_t size);
  bool splitPlainLine(const char* data, size_t size);
  bool checkBytes(const char* data, size_t size);

  int m_fd;
  char m_delimiter;
  bool m_checkUtf8;
  bool m_quoting;
  std::exception_ptr m_thrown;  // from a handler called by the parser, thrown again after it
  const RecordHandler* m_onRecord = nullptr;
  std::vector<std::string> m_fields;
  size_t m_fieldCount = 0;
  long m_line = 1;       // line of the byte being parsed
  long m_rowStart = 1;   // line on which the record being read began
  bool m_stopped = false;
  bool m_idle = true;      // the parser holds no part of a record
  bool m_lfEnded = false;  // the parser ended a row at the last LF
  uint64_t m_bytesRead = 0;
  std::string m_error;
  long m_errorLine = 0;
};

}  // namespace oryxtool

#endif
