// SPDX-License-Identifier: Apache-2.0
#include "ExportJob.h"

#include "oryxutil/export/MultiFormatFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace oryxtool {

namespace {

// Written by whichever thread reports (the TXT writer has its own).
std::atomic<int> g_reportedErrno{0};
std::mutex g_reportsLock;
std::vector<std::string> g_reports;  // under g_reportsLock
size_t g_reportsLeftOut = 0;         // under g_reportsLock

}  // namespace

void ExportJob::noteReport(const std::string& text) noexcept {
  // The writers end their failure reports with "errno=N" or "errno = N".
  const size_t at = text.rfind("errno");
  const size_t digits = at == std::string::npos ? at : text.find_first_of("0123456789", at);
  if (digits != std::string::npos) g_reportedErrno = std::atoi(text.c_str() + digits);
  std::lock_guard<std::mutex> hold(g_reportsLock);
  try {
    if (g_reports.size() < kKeptReports) {
      g_reports.push_back(text);
      return;
    }
  } catch (...) {  // out of memory: the report is counted instead
  }
  ++g_reportsLeftOut;
}

std::vector<std::string> ExportJob::takeReports() {
  std::lock_guard<std::mutex> hold(g_reportsLock);
  std::vector<std::string> reports;
  reports.swap(g_reports);
  if (g_reportsLeftOut > 0) reports.push_back("and " + std::to_string(g_reportsLeftOut) + " more reports");
  g_reportsLeftOut = 0;
  return reports;
}

bool ExportJob::fail(const std::string& what, bool inputFault) {
  m_error = what;
  m_inputFault = inputFault;
  return false;
}

bool ExportJob::failWithErrno() {
  const int error = errno != 0 ? errno : g_reportedErrno.load();
  return fail(error != 0 ? std::strerror(error) : "the writer failed");
}

bool ExportJob::create() {
  std::list<std::string> params;
  if (m_options.format->namedElements) params = {m_options.exportName, m_options.recordName};
  FormatFile* writer = FormatFileFactory::getFormatFile(m_options.format->name, params, m_options.writer);
  if (writer == nullptr) {
    return fail("this build of oryxutil has no writer for this format");
  }
  if (m_options.parts) {
    m_writer.reset(new MultiFormatFile(writer, m_options.partSize, true));
  } else {
    m_writer.reset(writer);
  }
  return true;
}

bool ExportJob::begin(const std::list<std::string>& titles, const std::list<long>& widths,
                      const std::string& path) {
  const char* encoding = m_options.encoding.empty() ? nullptr : m_options.encoding.c_str();
  if (m_writer->writeColumnTitle(titles, encoding, widths) != 0) {
    std::string why = std::string("the ") + m_options.format->name + " writer refused the column titles";
    if (m_options.format->namedElements) {
      why += " (titles must differ from --export-name and --record-name, which must differ)";
    }
    return fail(why, true);
  }
  errno = 0;
  g_reportedErrno = 0;
  return m_writer->startDocument(path.c_str()) == 0 || failWithErrno();
}

bool ExportJob::write(const std::vector<std::string>& record) {
  errno = 0;
  g_reportedErrno = 0;
  return m_writer->writeRecord(record) == 0 || failWithErrno();
}

bool ExportJob::finish(size_t& files) {
  errno = 0;
  g_reportedErrno = 0;
  if (m_options.parts) {
    std::list<std::string> parts;
    if (static_cast<MultiFormatFile*>(m_writer.get())->endDocument(parts) != 0) return failWithErrno();
    files = parts.size();
  } else {
    if (m_writer->endDocument() != 0) return failWithErrno();
    files = 1;
  }
  return true;
}

}  // namespace oryxtool
