// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/companion/TraceClient.h"

#include "companion/async/ExitGate.h"
#include "companion/trace/Report.h"

#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace oRYXcommon {

TraceClient* TraceClient::Instance() {
  // Constructed on first use and never destroyed, so writer threads that
  // report during process exit never meet a destroyed client.
  static TraceClient* const instance = new TraceClient();
  return instance;
}

bool TraceClient::checkValid(const _ETraceLevel& level, const int& /*category*/) const {
  return level >= TRACE_FATAL && level <= TRACE_DEBUG;
}

ACE_Message_Block* TraceClient::setBody(const char* format, ...) {
  if (format == nullptr) return nullptr;
  va_list args;
  va_start(args, format);
  std::string text;
  const bool formatted = oryx::formatText(text, format, args);
  va_end(args);
  if (!formatted) return nullptr;
  ACE_Message_Block* block = new ACE_Message_Block(text.size() + 1);
  std::memcpy(block->wr_ptr(), text.c_str(), text.size() + 1);  // the text stays NUL-terminated
  block->wr_ptr(text.size());
  return block;
}

void TraceClient::trace(_ETraceLevel level, int category, ACE_Message_Block* body) {
  if (body == nullptr) return;
  const std::string text(body->rd_ptr(), body->length());
  body->release();

  std::shared_ptr<const Sink> sink;
  {
    std::lock_guard<std::mutex> guard(m_sinkLock);
    sink = m_sink;
  }
  if (sink) {
    (*sink)(static_cast<int>(level), category, text);
    return;
  }
  // While the process exits ACE's logging may be torn down under this
  // thread: the line goes straight to standard error instead.
  if (!oryx::exitgate::enter()) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return;
  }
  const ACE_Log_Priority priority = level <= TRACE_CRITICAL ? LM_CRITICAL
                                  : level == TRACE_WARNING  ? LM_WARNING
                                  : level <= TRACE_ERROR    ? LM_ERROR
                                  : level == TRACE_INFO     ? LM_INFO
                                                            : LM_DEBUG;
  ACE_DEBUG((priority, ACE_TEXT("%C\n"), text.c_str()));
  oryx::exitgate::leave();
}

void TraceClient::setSink(Sink sink) {
  std::shared_ptr<const Sink> next;
  if (sink) next = std::make_shared<const Sink>(std::move(sink));
  std::lock_guard<std::mutex> guard(m_sinkLock);
  m_sink = std::move(next);
}

}  // namespace oRYXcommon
