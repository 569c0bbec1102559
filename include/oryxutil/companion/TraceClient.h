// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_TRACECLIENT_H
#define ORYXUTIL_COMPANION_TRACECLIENT_H

// The logging client every export writer reports through.
// One report is four calls: Instance(), checkValid(level, category),
// setBody(printf format, ...) which returns a new block holding the text, and
// trace(level, category, block) which takes ownership of the block.
// Default destination: ACE logging (ACE_Log_Msg), one line per message.
// setSink() routes every recorded message to a function instead; an empty
// function restores the default destination.
// Threads: every operation may be called from any number of threads at once;
// the sink is called without any lock of this class held.
// oryx::lastReport() answers the text of the last report the library sent on
// the calling thread, so a caller can show why a call failed without a sink.

#include "oryxutil/Visibility.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

class ACE_Message_Block;

namespace oRYXcommon {

// Severity of a message; the export writers report at level 5 (TRACE_ERROR).
enum _ETraceLevel {
  TRACE_FATAL = 1,
  TRACE_CRITICAL = 2,
  TRACE_WARNING = 3,
  TRACE_NOTICE = 4,
  TRACE_ERROR = 5,
  TRACE_INFO = 6,
  TRACE_DEBUG = 7
};

class ORYXUTIL_EXPORT TraceClient {
 public:
  using Sink = std::function<void(int level, int category, const std::string& text)>;

  // The process-wide client; never null, never to be deleted by callers.
  static TraceClient* Instance();

  // True when a message of this level and category is recorded: every level
  // of _ETraceLevel and every category are recorded.
  bool checkValid(const _ETraceLevel& level, const int& category) const;

  // Formats a printf-style message into a new block (text plus a closing
  // zero byte). The caller passes the block on to trace().
  ACE_Message_Block* setBody(const char* format, ...)
      __attribute__((format(printf, 2, 3)));

  // Records the message and releases the block; a null block is ignored.
  void trace(_ETraceLevel level, int category, ACE_Message_Block* body);

  // Routes messages to `sink`; an empty function restores ACE logging.
  void setSink(Sink sink);

 private:
  TraceClient() = default;
  TraceClient(const TraceClient&) = delete;
  TraceClient& operator=(const TraceClient&) = delete;

  mutable std::mutex m_sinkLock;
  std::shared_ptr<const Sink> m_sink;
};

}  // namespace oRYXcommon

namespace oryx {

// The text of the last report this library sent to the trace client on the
// calling thread (whatever the sink), empty when it has sent none. Reports
// sent on other threads, a writer's own thread included, are theirs.
[[nodiscard]] ORYXUTIL_EXPORT std::string lastReport();

}  // namespace oryx

#endif
