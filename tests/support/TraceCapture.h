// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_SUPPORT_TRACECAPTURE_H
#define ORYXUTIL_TESTS_SUPPORT_TRACECAPTURE_H

// Collects every trace-client message while in scope; restores the default
// destination on exit. Thread-safe: writer threads may report into it.

#include "oryxutil/companion/TraceClient.h"

#include <mutex>
#include <string>
#include <vector>

namespace oryxtest {

struct TraceMessage {
  int level;
  int category;
  std::string text;
};

class TraceCapture {
 public:
  TraceCapture() {
    oRYXcommon::TraceClient::Instance()->setSink(
        [this](int level, int category, const std::string& text) {
          std::lock_guard<std::mutex> guard(m_lock);
          m_messages.push_back({level, category, text});
        });
  }
  ~TraceCapture() { oRYXcommon::TraceClient::Instance()->setSink(nullptr); }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::vector<TraceMessage> messages() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
  }
  // The texts alone, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const TraceMessage& m : messages()) out.push_back(m.text);
    return out;
  }

 private:
  mutable std::mutex m_lock;
  std::vector<TraceMessage> m_messages;
};

}  // namespace oryxtest

#endif
