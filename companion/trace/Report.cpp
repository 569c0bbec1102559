// SPDX-License-Identifier: Apache-2.0
#include "companion/trace/Report.h"

#include "oryxutil/companion/TraceClient.h"

#include <ace/Message_Block.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>

namespace oryx {

const int kTraceCategory = 1;

namespace {

// The calling thread's last report. The flag, trivially destroyed, stays
// readable after the text is gone, so a report from a late destructor on an
// ending thread is simply not kept.
thread_local bool t_threadEnded = false;

struct LastReport {
  ~LastReport() { t_threadEnded = true; }
  std::string text;
};
thread_local LastReport t_lastReport;

}  // namespace

void keepReason(std::string text) {
  if (!t_threadEnded) t_lastReport.text.swap(text);
}

std::string lastReport() { return t_threadEnded ? std::string() : t_lastReport.text; }

bool formatText(std::string& text, const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  text.assign(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return length >= 0;
}

void report(const char* format, ...) {
  const int savedErrno = errno;
  oRYXcommon::_ETraceLevel level = oRYXcommon::TRACE_ERROR;
  if (!oRYXcommon::TraceClient::Instance()->checkValid(level, kTraceCategory)) {
    errno = savedErrno;
    return;
  }
  // Format here and hand the finished text to setBody with "%s", so the
  // client's printf formatting sees no caller-controlled format.
  va_list args;
  va_start(args, format);
  std::string text;
  formatText(text, format, args);
  va_end(args);

  ACE_Message_Block* body = oRYXcommon::TraceClient::Instance()->setBody("%s", text.c_str());
  oRYXcommon::TraceClient::Instance()->trace(level, kTraceCategory, body);
  keepReason(std::move(text));
  errno = savedErrno;
}

}  // namespace oryx
