// SPDX-License-Identifier: Apache-2.0
#include "export/DocumentWriter.h"

#include "companion/ResultCodes.h"
#include "companion/trace/Report.h"

#include <cerrno>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

// A report the writer may not have (null: the situation is silent).
template <typename... Args>
void reportIfAny(const char* format, Args... args) {
  if (format != nullptr) report(format, args...);
}

}  // namespace

DocumentWriter::DocumentWriter(const oryx::WriterReports& reports, oryx::EmptyRecord emptyRecord)
    : m_reports(reports), m_emptyRecord(emptyRecord) {}

DocumentWriter::~DocumentWriter() = default;  // m_file flushes and closes itself

long DocumentWriter::writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                                      const std::list<long>& widths) {
  if (!takeTitleEncoding(encoding)) return kFailed;
  return writeColumnTitle(titles, widths);
}

long DocumentWriter::writeColumnTitle(const std::list<std::string>& titles, const std::list<long>& widths) {
  if (!titles.empty()) return prepareTitles(titles, widths);
  if (hasTitles()) return kOk;
  reportIfAny(m_reports.titlesMissing, "");
  return kFailed;
}

long DocumentWriter::startDocument(const char* name, const char* encoding) { return begin(name, encoding); }

long DocumentWriter::startDocument(const char* name) { return begin(name, nullptr); }

long DocumentWriter::begin(const char* name, const char* encoding) {
  takeDocumentEncoding(encoding);  // kept even when this start fails
  if (name == nullptr) {
    reportIfAny(m_reports.nameMissing, "");
    return kFailed;
  }
  if (m_isWrite) {
    reportIfAny(m_reports.alreadyStarted, name);
    return kFailed;
  }
  if (!canStart(name)) return kFailed;
  fileName = name;
  // Opening clears a failed state left by the previous document.
  if (!m_file.open(fileName)) {
    reportIfAny(m_reports.openFailed, fileName.c_str(), errno);
    return kFailed;
  }
  if (!writeHead()) return kFailed;
  m_isWrite = true;
  return kOk;
}

bool DocumentWriter::flushHead() {
  // The head is written at once, so a file that cannot take it fails here.
  if (m_file.flush()) return true;
  reportIfAny(m_reports.headFailed, fileName.c_str(), errno);
  return false;
}

long DocumentWriter::writeRecord(const std::vector<std::string>& record) { return write(record); }

long DocumentWriter::writeRecord(const std::list<std::string>& record) { return write(record); }

template <typename Record>
long DocumentWriter::write(const Record& record) {
  if (!m_isWrite) {
    reportIfAny(m_reports.recordNotStarted, "");
    return kFailed;
  }
  if (record.empty() && m_emptyRecord == oryx::EmptyRecord::kRefused) return kFailed;
  if (m_reports.recordNotOpen != nullptr && !m_file.isOpen()) {
    report(m_reports.recordNotOpen, fileName.c_str());
    return kFailed;
  }
  if (record.empty() && m_emptyRecord == oryx::EmptyRecord::kSkipped) return kOk;
  if (!writeRow(record)) return kFailed;
  if (!m_file.good()) {
    errno = m_file.failureErrno();
    reportIfAny(m_reports.recordFailed, fileName.c_str(), errno);
    return kFailed;
  }
  return kOk;
}

long DocumentWriter::endDocument() {
  if (!m_isWrite) {
    reportIfAny(m_reports.endNotStarted, fileName.c_str());
    return kFailed;
  }
  m_isWrite = false;
  if (m_reports.endNotOpen != nullptr && !m_file.isOpen()) {
    report(m_reports.endNotOpen, fileName.c_str(), errno);
    return kFailed;
  }
  const bool finished = writeTail();
  const bool closed = m_file.close();
  if (!finished || !closed) {
    if (!closed) errno = m_file.failureErrno();
    reportIfAny(m_reports.endFailed, fileName.c_str(), errno);
    return kFailed;
  }
  return kOk;
}

void DocumentWriter::setOutputOptions(const oryx::WriterOptions& options) {
  m_file.setFlushEachRecord(options.flushEachRecord);
  m_file.compressWith(oryx::makeCompressor(options.compression, options.compressionLevel));
}

void DocumentWriter::setFileNameCoding(const std::string& coding) { m_fileNameCoding = coding; }
