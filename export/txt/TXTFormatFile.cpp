// SPDX-License-Identifier: Apache-2.0
#include "export/txt/TXTFormatFile.h"

#include "companion/ResultCodes.h"
#include "companion/trace/Report.h"
#include "export/ContentEncoding.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

// A frame line longer than this is refused: its blocks could not be allocated.
const uint64_t kMaxLineLength = 16u * 1024 * 1024;

bool isSupportedEncoding(const std::string& encoding) {
  return encoding == "GBK" || encoding == "UTF-8" || encoding == "ISO-8859-1";
}

const oryx::WriterReports kReports = {
    "TXTFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty",
    "TXTFormatFile::startDocument: fileName is NULL.",
    "TXTFormatFile::startDocument: already in write.",
    "TXTFormatFile::startDocument: open file failed %s, errno=%d",
    nullptr,  // the title block's failures: writeHead
    "TXTFormatFile::writefile: can't write because have not started.",
    "TXTFormatFile::writefile: File haven't been openned.",
    "TXTFormatFile::writefile: writen failed. fileName is %s. errno = %d",
    "TXTFormatFile::endDocument: can't end because have not started.",
    nullptr,  // the file is closed as it is
    "TXTFormatFile::endDocument: failed, %s. errno = %d ",
};

}  // namespace

TXTFormatFile::TXTFormatFile(const std::list<std::string>& /*params*/, const oryx::WriterOptions& options)
    : DocumentWriter(kReports, oryx::EmptyRecord::kRefused),
      BackgroundWriter(m_file, writerSettings()),
      m_utf8Bom(options.utf8Bom),
      m_widthRule(options.terminalWidths ? oryx::WidthRule::terminal : oryx::WidthRule::legacy) {}

std::unique_ptr<FormatFile> makeTxtWriter(const std::list<std::string>& params, const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new TXTFormatFile(params, options));
}

TXTFormatFile::~TXTFormatFile() {
  // A local-charset document still open is ended first: every queued block
  // is written while the file still exists.
  stop();
  // m_file flushes and closes an open file itself.
}

bool TXTFormatFile::isUtf8Mode() const {
  if (m_encoding == "UTF-8") return true;
  if (!m_encoding.empty()) return false;
  return oryx::isUtf8ContentMode();
}

bool TXTFormatFile::takeTitleEncoding(const char* encoding) {
  if (encoding == nullptr) return true;
  m_encoding = encoding;
  if (isSupportedEncoding(m_encoding)) return true;
  report("TXTFormatFile::writeColumnTitle:encoding=%s not support", m_encoding.c_str());
  return false;
}

long TXTFormatFile::prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) {
  const bool utf8 = isUtf8Mode();
  std::vector<uint32_t> columnWidths;
  uint64_t lineLength = 0;
  auto given = widths.begin();
  for (const std::string& title : titles) {
    const uint32_t measured = utf8 ? oryx::textWidth(title, m_widthRule) : static_cast<uint32_t>(title.size());
    uint32_t wanted = 0;
    if (given != widths.end()) {
      // A negative width counts as no width: the title's own length decides.
      wanted = *given > 0 ? static_cast<uint32_t>(*given) : 0;
      ++given;
    }
    uint32_t width = measured > wanted ? measured : wanted;
    // By the terminal rule every column holds a wide character, so none
    // stands out of its frame.
    if (utf8 && m_widthRule == oryx::WidthRule::terminal && width < 2) width = 2;
    columnWidths.push_back(width);
    lineLength += width;
  }
  lineLength += 3 * static_cast<uint64_t>(titles.size()) + 2;
  if (lineLength > kMaxLineLength) {
    report("TXTFormatFile::writeColumnTitle:column widths too large");
    return kFailed;
  }

  m_ColumnWidth = std::move(columnWidths);
  m_lineLength = static_cast<uint32_t>(lineLength);
  m_ColumnTitle.insert(m_ColumnTitle.end(), titles.begin(), titles.end());

  const uint32_t length = m_lineLength;
  m_borderLine.reset(new char[length + 1]);
  std::memset(m_borderLine.get(), '*', length);
  m_borderLine[length - 1] = '\n';
  m_borderLine[length] = '\0';

  m_blankLine.reset(new char[length + 1]);
  std::memset(m_blankLine.get(), ' ', length);
  m_blankLine[0] = '*';
  uint32_t position = 1;
  for (const uint32_t width : m_ColumnWidth) {
    position += width + 2;
    m_blankLine[position] = '*';
    position += 1;
  }
  m_blankLine[length - 1] = '\n';
  m_blankLine[length] = '\0';
  return kOk;
}

// Without titles there is no frame to write: refuse rather than write a bare file.
bool TXTFormatFile::canStart(const char* name) {
  if (m_borderLine) return true;
  report("TXTFormatFile::startDocument: no column titles, %s.", name);
  return false;
}

bool TXTFormatFile::writeHead() {
  // The mode is fixed for the whole document: the writer thread and the
  // caller must never both write the file.
  m_utf8Document = isUtf8Mode();
  if (m_utf8Document && m_utf8Bom) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
  m_file.append(m_borderLine.get(), m_lineLength);

  if (!m_utf8Document) {
    // A writer thread that cannot start fails the document, so no block is
    // left in the queue for a later document.
    if (!start()) {
      const int startErrno = errno;
      m_file.close();
      errno = startErrno;
      report("TXTFormatFile::startDocument: start writer thread failed %s, errno=%d",
             fileName.c_str(), errno);
      return false;
    }
    putBlock(m_ColumnTitle);
    return true;
  }

  writeLines(m_ColumnTitle);
  // The head is written at once, so an unwritable file fails here.
  m_file.flush();
  if (!m_file.good()) {
    if (m_encoding.empty()) {
      report("TXTFormatFile::startDocument: write Columntitle failed(1). fileName is %s, errno=%d. ",
             fileName.c_str(), errno);
    } else {
      report("TXTFormatFile::startDocument: write Columntitle failed(2). fileName is %s, errno=%d.",
             fileName.c_str(), errno);
    }
    return false;
  }
  return true;
}

bool TXTFormatFile::writeTail() {
  stop();
  // A finished document keeps no block memory.
  trim();
  return true;
}

template <typename Record>
bool TXTFormatFile::writefile(const Record& record) {
  if (m_utf8Document) {
    writeLines(record);
    m_file.flushIfFull();
    return true;
  }
  // In local-charset mode the base's check sees the failures of the blocks written so far.
  if (putBlock(record)) return true;
  errno = ENOMEM;
  report(reports().recordFailed, fileName.c_str(), errno);
  return false;
}

bool TXTFormatFile::writeRow(const std::vector<std::string>& record) { return writefile(record); }

bool TXTFormatFile::writeRow(const std::list<std::string>& record) { return writefile(record); }
