// SPDX-License-Identifier: Apache-2.0
#include "ProfileTrace.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace oryxtool {

namespace {

using nlohmann::json;

// `text` as valid UTF-8: the JSON library's decoder replaces malformed bytes.
std::string validUtf8(const std::string& text) {
  const std::string quoted = json(text).dump(-1, ' ', false, json::error_handler_t::replace);
  return json::parse(quoted).get<std::string>();
}

// A name as one frame of a stack: ';' separates frames, so it becomes ':'.
std::string frame(std::string name) {
  std::replace(name.begin(), name.end(), ';', ':');
  return name;
}

// A JSON array cut short by a crash: the text up to its last whole line,
// without the trailing comma, closed.
std::string closedArray(std::string text) {
  const size_t lastLine = text.find_last_of('\n');
  if (lastLine != std::string::npos && text.find_first_not_of(" \t\r\n", lastLine) != std::string::npos) {
    text.resize(lastLine);  // a partly written last line
  }
  while (!text.empty() && std::string(" \t\r\n,").find(text.back()) != std::string::npos) text.pop_back();
  if (text.empty() || text.back() != ']') text += "\n]";
  return text;
}

double number(const json& event, const char* key) {
  const auto found = event.find(key);
  return found != event.end() && found->is_number() ? found->get<double>() : 0.0;
}

long id(const json& event, const char* key) {
  const auto found = event.find(key);
  if (found == event.end()) return 0;
  if (found->is_number()) return found->get<long>();
  if (found->is_string()) return std::atol(found->get<std::string>().c_str());
  return 0;
}

std::string text(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void addEvents(const json& events, Profile& profile) {
  // "B" events waiting for their "E", per thread.
  std::map<std::pair<long, long>, std::vector<Span>> open;
  for (const json& event : events) {
    if (!event.is_object()) continue;
    const std::string ph = event.value("ph", "");
    const auto nameField = event.find("name");
    const std::string name = nameField == event.end() ? "" : text(*nameField);
    const long pid = id(event, "pid");
    const long tid = id(event, "tid");
    if (ph == "X") {
      Span span;
      span.name = name;
      span.pid = pid;
      span.tid = tid;
      span.start = number(event, "ts");
      span.duration = number(event, "dur");
      profile.spans.push_back(span);
    } else if (ph == "B") {
      Span span;
      span.name = name;
      span.pid = pid;
      span.tid = tid;
      span.start = number(event, "ts");
      open[{pid, tid}].push_back(span);
    } else if (ph == "E") {
      std::vector<Span>& stack = open[{pid, tid}];
      if (stack.empty()) continue;
      Span span = stack.back();
      stack.pop_back();
      span.duration = number(event, "ts") - span.start;
      profile.spans.push_back(span);
    } else if (ph == "M") {
      const json args = event.value("args", json::object());
      if (name == "thread_name" && args.contains("name")) {
        profile.threadNames[{pid, tid}] = validUtf8(text(args["name"]));
      } else if (name == "dropped_events_total" && args.contains("count") && args["count"].is_number()) {
        profile.dropped = args["count"].get<uint64_t>();
      }
    }
  }
}

// Per-thread dropped counts when the trace has no total (cut short).
uint64_t droppedByThreads(const json& events) {
  std::map<std::pair<long, long>, uint64_t> latest;
  for (const json& event : events) {
    if (event.is_object() && event.value("ph", "") == "M" && event.value("name", "") == "dropped_events") {
      const json args = event.value("args", json::object());
      if (args.contains("count") && args["count"].is_number()) {
        latest[{id(event, "pid"), id(event, "tid")}] = args["count"].get<uint64_t>();
      }
    }
  }
  uint64_t sum = 0;
  for (const auto& entry : latest) sum += entry.second;
  return sum;
}

// Parents, self times and stacks: per thread, spans by start (the longer
// first when two start together); a span lies inside the innermost open
// span that has not ended before it starts.
void nest(Profile& profile) {
  std::vector<Span>& spans = profile.spans;
  std::stable_sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
    if (a.pid != b.pid) return a.pid < b.pid;
    if (a.tid != b.tid) return a.tid < b.tid;
    if (a.start != b.start) return a.start < b.start;
    return a.duration > b.duration;
  });
  std::vector<size_t> open;
  for (size_t i = 0; i < spans.size(); ++i) {
    Span& span = spans[i];
    span.self = span.duration;
    if (!open.empty() && (spans[open.back()].pid != span.pid || spans[open.back()].tid != span.tid)) open.clear();
    while (!open.empty() && spans[open.back()].start + spans[open.back()].duration <= span.start) open.pop_back();
    if (open.empty()) {
      span.depth = 0;
      span.stack = frame(span.name);
    } else {
      Span& parent = spans[open.back()];
      const double inside = std::min(span.duration, parent.start + parent.duration - span.start);
      parent.self -= inside;
      span.depth = parent.depth + 1;
      span.stack = parent.stack + ";" + frame(span.name);
    }
    open.push_back(i);
  }
  for (Span& span : spans) span.self = std::max(0.0, span.self);
}

// "<indent>Elapsed[<name>]:<s>s:<ms>ms:<us>us:<ns>ns"
bool parseElapsed(const std::string& line, Span& span) {
  const size_t indent = line.find_first_not_of(' ');
  if (indent == std::string::npos || line.compare(indent, 8, "Elapsed[") != 0) return false;
  const size_t close = line.rfind("]:");
  if (close == std::string::npos || close < indent + 8) return false;
  long s = 0, ms = 0, us = 0, ns = 0;
  char end = 0;
  if (std::sscanf(line.c_str() + close + 2, "%lds:%ldms:%ldus:%ldns%c", &s, &ms, &us, &ns, &end) != 4) return false;
  span.name = validUtf8(line.substr(indent + 8, close - indent - 8));
  span.depth = static_cast<int>(indent / 2);
  span.duration = s * 1e6 + ms * 1e3 + us + ns / 1e3;
  return true;
}

// Legacy lines come when a timer stops, so children come before their
// parent: they wait, by depth, until a line one level up adopts them.
bool readLegacy(const std::string& content, Profile& profile) {
  std::istringstream in(content);
  std::vector<std::vector<size_t>> waiting;  // per depth: spans without a parent yet
  double clock = 0;
  for (std::string line; std::getline(in, line);) {
    Span span;
    if (!parseElapsed(line, span)) continue;
    const size_t depth = static_cast<size_t>(span.depth);
    if (waiting.size() < depth + 2) waiting.resize(depth + 2);
    span.self = span.duration;
    span.stack = frame(span.name);
    span.start = clock;  // order only: the lines carry no start time
    clock += 1;
    const size_t index = profile.spans.size();
    std::vector<size_t>& children = waiting[depth + 1];
    for (size_t child : children) span.self -= profile.spans[child].duration;
    span.self = std::max(0.0, span.self);
    profile.spans.push_back(span);
    // The children and their descendants take this span's name in front.
    for (size_t i = index; i-- > 0;) {
      Span& below = profile.spans[i];
      if (below.depth <= span.depth) break;
      below.stack = frame(span.name) + ";" + below.stack;
    }
    children.clear();
    waiting[depth].push_back(index);
  }
  profile.legacy = true;
  return !profile.spans.empty();
}

}  // namespace

bool readProfileText(const std::string& content, Profile& profile, std::string& error) {
  const size_t first = content.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && (content[first] == '[' || content[first] == '{')) {
    json document = json::parse(content, nullptr, false);
    if (document.is_discarded() && content[first] == '[') document = json::parse(closedArray(content), nullptr, false);
    if (document.is_discarded()) {
      error = "not a trace: malformed JSON";
      return false;
    }
    const json& events = document.is_object() ? document.value("traceEvents", json::array()) : document;
    if (!events.is_array()) {
      error = "not a trace: no event array";
      return false;
    }
    addEvents(events, profile);
    if (profile.dropped == 0) profile.dropped = droppedByThreads(events);
    for (Span& span : profile.spans) span.name = validUtf8(span.name);
    nest(profile);
    return true;
  }
  if (readLegacy(content, profile)) return true;
  error = "neither a trace nor profile lines";
  return false;
}

bool readProfile(const std::string& path, Profile& profile, std::string& error) {
  std::string content;
  if (path == "-") {
    content.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "cannot open";
      return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
      error = "cannot read";
      return false;
    }
  }
  return readProfileText(content, profile, error);
}

std::string threadLabel(const Profile& profile, long pid, long tid) {
  const auto found = profile.threadNames.find({pid, tid});
  if (found == profile.threadNames.end() || found->second.empty()) return std::to_string(tid);
  return found->second + " (" + std::to_string(tid) + ")";
}

}  // namespace oryxtool
