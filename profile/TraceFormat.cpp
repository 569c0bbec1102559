// SPDX-License-Identifier: Apache-2.0
#include "profile/TraceFormat.h"

#include "companion/text/Utf8.h"

#include <cstdio>
#include <cstring>

namespace oryx {
namespace profile {
namespace trace {

const char kTraceHead[] = "[\n";

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Microseconds with three decimals, from nanoseconds.
void appendMicros(std::string& out, uint64_t ns) {
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%llu.%03u",
                                   static_cast<unsigned long long>(ns / 1000), static_cast<unsigned>(ns % 1000));
  out.append(text, static_cast<size_t>(length));
}

void appendNumber(std::string& out, long long value) { out += std::to_string(value); }

// `"name":"<text>"` and the process and thread ids every event carries.
void appendHead(std::string& out, const char* ph, const char* name, long pid) {
  out += "{\"ph\":\"";
  out += ph;
  out += "\",\"name\":\"";
  appendJsonText(out, name);
  out += "\",\"pid\":";
  appendNumber(out, pid);
}

void appendTid(std::string& out, long tid) {
  out += ",\"tid\":";
  appendNumber(out, tid);
}

}  // namespace

void appendJsonText(std::string& out, const char* text) {
  static const char kHex[] = "0123456789abcdef";
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const end = p + std::strlen(text);
  while (p != end) {
    const unsigned char byte = *p;
    if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\') {
      const unsigned char* run = p;
      while (p != end && *p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\') ++p;
      out.append(reinterpret_cast<const char*>(run), static_cast<size_t>(p - run));
    } else if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
      ++p;
    } else if (byte < 0x20) {
      const char* named = byte == '\n' ? "\\n" : byte == '\t' ? "\\t" : byte == '\r' ? "\\r" : nullptr;
      if (named != nullptr) {
        out += named;
      } else {
        const char escaped[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xf]};
        out.append(escaped, sizeof escaped);
      }
      ++p;
    } else {
      // A malformed part (its longest ill-formed beginning) becomes one U+FFFD.
      size_t length = 0;
      if (utf8::decode(p, end, length) == utf8::kMalformed) out += kReplacement;
      else out.append(reinterpret_cast<const char*>(p), length);
      p += length;
    }
  }
}

void appendEvent(std::string& out, const Event& event, long pid, long tid) {
  switch (event.kind) {
    case EventKind::kComplete:
    case EventKind::kTimer:
      appendHead(out, "X", event.name, pid);
      out += event.kind == EventKind::kTimer ? ",\"cat\":\"timer\"" : ",\"cat\":\"zone\"";
      break;
    case EventKind::kInstant:
      appendHead(out, "i", event.name, pid);
      out += ",\"s\":\"t\"";
      break;
    case EventKind::kCounter:
      appendHead(out, "C", event.name, pid);
      break;
  }
  appendTid(out, tid);
  out += ",\"ts\":";
  appendMicros(out, event.start);
  if (event.kind == EventKind::kComplete || event.kind == EventKind::kTimer) {
    out += ",\"dur\":";
    appendMicros(out, event.value);
  } else if (event.kind == EventKind::kCounter) {
    out += ",\"args\":{\"value\":";
    appendNumber(out, static_cast<long long>(event.value));
    out += '}';
  }
  out += "},\n";
}

void appendProcessName(std::string& out, long pid, const std::string& name) {
  appendHead(out, "M", "process_name", pid);
  out += ",\"args\":{\"name\":\"";
  appendJsonText(out, name.c_str());
  out += "\"}},\n";
}

void appendThreadName(std::string& out, long pid, long tid, const std::string& name) {
  appendHead(out, "M", "thread_name", pid);
  appendTid(out, tid);
  out += ",\"args\":{\"name\":\"";
  appendJsonText(out, name.c_str());
  out += "\"}},\n";
}

void appendDropped(std::string& out, long pid, long tid, uint64_t count) {
  appendHead(out, "M", "dropped_events", pid);
  appendTid(out, tid);
  out += ",\"args\":{\"count\":";
  appendNumber(out, static_cast<long long>(count));
  out += "}},\n";
}

void appendTail(std::string& out, long pid, uint64_t dropped) {
  appendHead(out, "M", "dropped_events_total", pid);
  out += ",\"args\":{\"count\":";
  appendNumber(out, static_cast<long long>(dropped));
  out += "}}\n]\n";
}

}  // namespace trace
}  // namespace profile
}  // namespace oryx
