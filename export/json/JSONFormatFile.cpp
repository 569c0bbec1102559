// SPDX-License-Identifier: Apache-2.0
// Writes a table as JSON (RFC 8259): "json" an array of one object per
// record ("[", then the objects one a line, "]"), "ndjson" one object a
// line. Keys are the column titles in column order; every string is valid
// UTF-8 (local-charset content converted; malformed bytes become U+FFFD,
// one per maximal ill-formed part), escaped as the RFC asks: quote,
// backslash and the control characters, \n \r \t \b \f by name, and
// U+2028 and U+2029, which many line readers take for line ends. A record
// with more fields than titles names the others as untitled columns; a
// shorter one leaves its missing keys out; an empty one is {}.
// numericCells: plain decimals (PlainDecimal.h) become numbers.
// flushEachRecord (the default) hands every record to the file at once.
// Results: 0 / -1, failures reported through the trace client.
// Not thread-safe: one caller thread at a time per object.

#include "companion/ResultCodes.h"
#include "companion/text/Utf8.h"
#include "companion/trace/Report.h"
#include "export/ByteScan.h"
#include "export/ContentEncoding.h"
#include "export/DocumentWriter.h"
#include "export/PlainDecimal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace {

// Every byte the string encoder stops at: the controls, quote, backslash,
// and the bytes of non-ASCII characters (checked as UTF-8).
struct Stops {
  uint8_t stop[256];
};
constexpr Stops makeStops() {
  Stops table{};
  for (int c = 0; c < 0x20; ++c) table.stop[c] = 1;
  for (int c = 0x80; c < 0x100; ++c) table.stop[c] = 1;
  table.stop[static_cast<unsigned char>('"')] = 1;
  table.stop[static_cast<unsigned char>('\\')] = 1;
  return table;
}
constexpr Stops kStops = makeStops();

// The most output bytes one input byte takes (\u00XX), and the input taken
// per need() so a long string never asks for more than the file's room.
const size_t kGrowth = 6;
const size_t kPiece = 32 * 1024;
const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The escaped form of [p, stop) at `at`; a character that starts before
// `stop` is taken whole (up to `end`). Needs kGrowth bytes per input byte.
char* escape(char* at, const unsigned char*& p, const unsigned char* stop, const unsigned char* end) {
  static const char kHex[] = "0123456789abcdef";
  for (;;) {
    oryx::copyPlain(kStops.stop, at, p, stop);
    if (p >= stop) return at;
    const unsigned char c = *p;
    if (c >= 0x80) {
      size_t length = 0;
      const uint32_t code = oryx::utf8::decode(p, end, length);
      const bool malformed = code == oryx::utf8::kMalformed;
      if (code == 0x2028 || code == 0x2029) {
        // Line and paragraph separators end a line for many readers of NDJSON.
        std::memcpy(at, code == 0x2028 ? "\\u2028" : "\\u2029", 6);
        at += 6;
      } else {
        std::memcpy(at, malformed ? kReplacement : reinterpret_cast<const char*>(p), malformed ? 3 : length);
        at += malformed ? 3 : length;
      }
      p += length;
      continue;
    }
    ++p;
    *at++ = '\\';
    switch (c) {
      case '"': *at++ = '"'; break;
      case '\\': *at++ = '\\'; break;
      case '\n': *at++ = 'n'; break;
      case '\r': *at++ = 'r'; break;
      case '\t': *at++ = 't'; break;
      case '\b': *at++ = 'b'; break;
      case '\f': *at++ = 'f'; break;
      default:
        std::memcpy(at, "u00", 3);
        at[3] = kHex[c >> 4];
        at[4] = kHex[c & 0xF];
        at += 5;
    }
  }
}

// The same reports for "json" and "ndjson".
const oryx::WriterReports kReports = {
    "JSONFormatFile::writeColumnTitle: no titles.",
    "JSONFormatFile::startDocument: fileName is Null.",
    "JSONFormatFile::startDocument: already started, %s.",
    "JSONFormatFile::startDocument: open fail, file=%s, errno=%d.",
    "JSONFormatFile::startDocument: write head fail, file=%s, errno=%d.",
    "JSONFormatFile::writeRecord: not started.",
    nullptr,  // the file is open whenever a document is started
    "JSONFormatFile::writeRecord: write failed, file=%s, errno=%d.",
    "JSONFormatFile::endDocument: not started, %s.",
    nullptr,
    "JSONFormatFile::endDocument: failed, file=%s, errno=%d.",
};

class JSONFormatFile final : public DocumentWriter {
 public:
  JSONFormatFile(const oryx::WriterOptions& options, bool lines)
      : DocumentWriter(kReports, oryx::EmptyRecord::kWritten), m_numbers(options.numericCells), m_lines(lines) {}

 private:
  bool hasTitles() const override { return !m_titles.empty(); }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& /*widths*/) override {
    m_titles.assign(titles.begin(), titles.end());  // the last titles given
    return oryx::kOk;
  }

  bool writeHead() override {
    m_local = !oryx::isUtf8ContentMode();
    if (m_local && !m_decoder.open()) {
      oryx::report(reports().headFailed, fileName.c_str(), errno);
      return false;
    }
    m_keys.clear();
    m_taken.clear();
    for (size_t column = 0; column < m_titles.size(); ++column) addKey(m_titles[column]);
    m_first = true;
    if (!m_lines) m_file.append('[');
    return flushHead();
  }

  bool writeTail() override {
    if (!m_lines) m_file.append("\n]\n");
    return true;
  }

  bool writeRow(const std::vector<std::string>& record) override { return writeObject(record); }
  bool writeRow(const std::list<std::string>& record) override { return writeObject(record); }

  template <typename Record>
  bool writeObject(const Record& record) {
    while (m_keys.size() < record.size()) addKey("");
    oryx::OutputCursor out(m_file);
    out.need(3);
    if (!m_lines) *out.at++ = m_first ? '\n' : ',';
    if (!m_lines && !m_first) *out.at++ = '\n';
    *out.at++ = '{';
    size_t column = 0;
    for (const std::string& field : record) {
      const std::string& key = m_keys[column];
      out.need(key.size() + 1);
      if (column++ != 0) *out.at++ = ',';
      out.put(key);
      putValue(out, field);
    }
    out.need(2);
    *out.at++ = '}';
    if (m_lines) *out.at++ = '\n';
    out.done();
    m_first = false;
    m_file.endRecord();
    return true;
  }

  void putValue(oryx::OutputCursor& out, const std::string& field) {
    if (m_numbers && oryx::isPlainDecimal(field.data(), field.size())) return out.put(field);
    putString(out, m_local ? m_decoder.toUtf8(field) : field);
  }

  static void putString(oryx::OutputCursor& out, const std::string& text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    out.need(1);
    *out.at++ = '"';
    while (p < end) {
      const unsigned char* const stop = p + std::min(kPiece, static_cast<size_t>(end - p));
      out.need(kGrowth * static_cast<size_t>(stop - p) + kGrowth);
      out.at = escape(out.at, p, stop, end);
    }
    out.need(1);
    *out.at++ = '"';
  }

  // The key of the next column, "...": with its colon, unique within the
  // object: an empty title is the column's number from 1; a key taken by an
  // earlier column gets _2, _3 ... (the first free) appended.
  void addKey(const std::string& title) {
    std::string name;
    if (title.empty()) {
      name = std::to_string(m_keys.size() + 1);
    } else {
      const std::string& text = m_local ? m_decoder.toUtf8(title) : title;
      name.resize(kGrowth * text.size());
      const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
      const unsigned char* const end = p + text.size();
      name.resize(static_cast<size_t>(escape(&name[0], p, end, end) - name.data()));
    }
    std::string key = name;
    for (unsigned long suffix = 2; m_taken.count(key) != 0; ++suffix) key = name + "_" + std::to_string(suffix);
    m_taken.insert(key);
    m_keys.push_back("\"" + key + "\":");
  }

  const bool m_numbers;
  const bool m_lines;
  std::vector<std::string> m_titles;
  std::vector<std::string> m_keys;  // per column: "key":
  std::unordered_set<std::string> m_taken;
  bool m_local = false;
  bool m_first = true;
  oryx::LocalCharsetDecoder m_decoder;
};

}  // namespace

std::unique_ptr<FormatFile> makeJsonWriter(const std::list<std::string>& /*params*/,
                                           const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new JSONFormatFile(options, false));
}

std::unique_ptr<FormatFile> makeNdjsonWriter(const std::list<std::string>& /*params*/,
                                             const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new JSONFormatFile(options, true));
}
