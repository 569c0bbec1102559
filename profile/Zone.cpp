// SPDX-License-Identifier: Apache-2.0
// Zones, instants and counters: the caller's side of the trace.
#include "oryxutil/profile/Zone.h"

#include "profile/TraceCollector.h"
#include "profile/ZoneBuffer.h"

#include <mutex>
#include <new>
#include <unordered_set>

namespace oryx {
namespace profile {

using trace::EventKind;

namespace trace {

const char* intern(const std::string& text) {
  // Never destroyed: names must outlive every event that points at them.
  static std::mutex& lock = *new std::mutex;
  static std::unordered_set<std::string>& names = *new std::unordered_set<std::string>;
  std::lock_guard<std::mutex> guard(lock);
  try {
    return names.insert(text).first->c_str();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace trace

Zone::Name::Name(const char* text) : m_text(trace::intern(text != nullptr ? text : "")) {}

Zone::Name::Name(const std::string& text) : m_text(trace::intern(text)) {}

Zone::Zone(const char* interned, int) : m_name(interned), m_start(trace::on() && interned ? trace::nowNs() : 0) {}

Zone::Zone(const std::string& name) : Zone(trace::on() ? trace::intern(name) : nullptr, 0) {}

Zone::~Zone() {
  if (m_start == 0) return;
  const uint64_t end = trace::nowNs();
  trace::record(EventKind::kComplete, m_name, m_start, end - m_start);
}

void instantInterned(const char* interned) {
  if (trace::on() && interned != nullptr) trace::record(EventKind::kInstant, interned, trace::nowNs(), 0);
}

void instant(const std::string& name) {
  if (trace::on()) instantInterned(trace::intern(name));
}

void counterInterned(const char* interned, int64_t value) {
  if (trace::on() && interned != nullptr) {
    trace::record(EventKind::kCounter, interned, trace::nowNs(), static_cast<uint64_t>(value));
  }
}

bool tracing() { return trace::on(); }

}  // namespace profile
}  // namespace oryx
