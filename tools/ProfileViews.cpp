// SPDX-License-Identifier: Apache-2.0
#include "ProfileViews.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace oryxtool {

namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A name for a line-based form: control characters as "?", and (in folded
// stacks) the frame separator ';' as ':'.
std::string oneLine(std::string text, bool frame) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    if (frame && c == ';') c = ':';
  }
  return text;
}

std::string markup(const std::string& text) {
  std::string out;
  for (char c : oneLine(text, false)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

size_t displayLength(const std::string& text) {
  size_t length = 0;
  for (char c : text) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return length;
}

struct Stats {
  std::string name;
  std::string thread;
  std::vector<double> durations;
  double total = 0;
  double self = 0;
};

double percentile(const std::vector<double>& sorted, double p) {
  const size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
  return sorted[rank == 0 ? 0 : rank - 1];
}

std::vector<Stats> gather(const Profile& profile, bool byThread) {
  std::map<std::pair<std::string, std::string>, Stats> groups;
  for (const Span& span : profile.spans) {
    const std::string thread = byThread ? threadLabel(profile, span.pid, span.tid) : std::string();
    Stats& stats = groups[{span.name, thread}];
    stats.name = span.name;
    stats.thread = thread;
    stats.durations.push_back(span.duration);
    stats.total += span.duration;
    stats.self += span.self;
  }
  std::vector<Stats> result;
  for (auto& entry : groups) {
    std::sort(entry.second.durations.begin(), entry.second.durations.end());
    result.push_back(std::move(entry.second));
  }
  std::stable_sort(result.begin(), result.end(), [](const Stats& a, const Stats& b) { return a.total > b.total; });
  return result;
}

const char* const kFigureNames[] = {"count", "total_us", "self_us", "mean_us", "p50_us", "p90_us", "p99_us", "max_us"};

std::vector<double> figures(const Stats& stats) {
  const double count = static_cast<double>(stats.durations.size());
  return {count, stats.total, stats.self, stats.total / count, percentile(stats.durations, 50),
          percentile(stats.durations, 90), percentile(stats.durations, 99), stats.durations.back()};
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string table(const std::vector<Stats>& rows, bool byThread) {
  std::vector<std::vector<std::string>> cells;
  std::vector<std::string> head = {"name"};
  if (byThread) head.push_back("thread");
  head.insert(head.end(), std::begin(kFigureNames), std::end(kFigureNames));
  cells.push_back(head);
  for (const Stats& stats : rows) {
    std::vector<std::string> row = {oneLine(stats.name, false)};
    if (byThread) row.push_back(oneLine(stats.thread, false));
    const std::vector<double> values = figures(stats);
    for (size_t i = 0; i < values.size(); ++i) row.push_back(fixed(values[i], i == 0 ? 0 : 1));
    cells.push_back(row);
  }
  const size_t texts = byThread ? 2 : 1;  // left-aligned columns
  std::vector<size_t> widths(head.size(), 0);
  for (const auto& row : cells) {
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayLength(row[i]));
  }
  std::string out;
  for (const auto& row : cells) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      const std::string pad(widths[i] - displayLength(row[i]), ' ');
      if (i > 0) line += "  ";
      line += i < texts ? row[i] + pad : pad + row[i];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

// The frames of a flame graph: inclusive time per stack path.
struct Frame {
  std::string name;
  double time = 0;
  std::map<std::string, std::unique_ptr<Frame>> children;
};

void addStack(Frame& root, const std::string& stack, double self) {
  Frame* frame = &root;
  root.time += self;
  size_t from = 0;
  for (;;) {
    const size_t end = stack.find(';', from);
    const std::string name = stack.substr(from, end == std::string::npos ? std::string::npos : end - from);
    std::unique_ptr<Frame>& child = frame->children[name];
    if (!child) {
      child.reset(new Frame);
      child->name = name;
    }
    child->time += self;
    frame = child.get();
    if (end == std::string::npos) break;
    from = end + 1;
  }
}

int depthOf(const Frame& frame) {
  int deepest = 0;
  for (const auto& child : frame.children) deepest = std::max(deepest, 1 + depthOf(*child.second));
  return deepest;
}

const double kSvgWidth = 1200;
const double kRowHeight = 18;

// A warm colour from the name, so one name has one colour everywhere.
std::string colour(const std::string& name) {
  unsigned hash = 2166136261u;
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return "rgb(" + std::to_string(205 + hash % 50) + "," + std::to_string(80 + (hash >> 8) % 150) + "," +
         std::to_string((hash >> 16) % 60) + ")";
}

void drawFrame(std::string& out, const Frame& frame, double x, int depth, int rows, double total,
               double scale) {
  const double width = frame.time * scale;
  const double y = (rows - depth) * kRowHeight;
  const std::string name = markup(frame.name);
  out += "<g><title>" + name + " (" + fixed(frame.time, 1) + " us, " + fixed(100.0 * frame.time / total, 2) +
         "%)</title><rect x=\"" + fixed(x, 2) + "\" y=\"" + fixed(y, 1) + "\" width=\"" + fixed(width, 2) +
         "\" height=\"" + fixed(kRowHeight - 1, 1) + "\" fill=\"" + colour(frame.name) + "\"/>";
  // A label where there is room for a few characters, cut to fit.
  const size_t fits = static_cast<size_t>(width / 7);
  if (fits >= 3) {
    std::string label = oneLine(frame.name, false);
    if (displayLength(label) > fits) {
      size_t keep = 0, shown = 0;
      while (keep < label.size() && shown + 2 < fits) {
        ++keep;
        while (keep < label.size() && (static_cast<unsigned char>(label[keep]) & 0xC0) == 0x80) ++keep;
        ++shown;
      }
      label = label.substr(0, keep) + "..";
    }
    out += "<text x=\"" + fixed(x + 3, 2) + "\" y=\"" + fixed(y + kRowHeight - 5, 1) + "\">" + markup(label) +
           "</text>";
  }
  out += "</g>\n";
  double childX = x;
  for (const auto& child : frame.children) {
    drawFrame(out, *child.second, childX, depth + 1, rows, total, scale);
    childX += child.second->time * scale;
  }
}

}  // namespace

std::string summary(const Profile& profile, bool byThread, SummaryForm form) {
  const std::vector<Stats> rows = gather(profile, byThread);
  if (form == SummaryForm::kTable) return table(rows, byThread);
  if (form == SummaryForm::kCsv) {
    std::string out = byThread ? "name,thread" : "name";
    for (const char* figure : kFigureNames) out += std::string(",") + figure;
    out += "\n";
    for (const Stats& stats : rows) {
      out += csvField(stats.name);
      if (byThread) out += "," + csvField(stats.thread);
      const std::vector<double> values = figures(stats);
      for (size_t i = 0; i < values.size(); ++i) out += "," + fixed(values[i], i == 0 ? 0 : 3);
      out += "\n";
    }
    return out;
  }
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Stats& stats : rows) {
    nlohmann::ordered_json row;
    row["name"] = stats.name;
    if (byThread) row["thread"] = stats.thread;
    const std::vector<double> values = figures(stats);
    row["count"] = stats.durations.size();
    for (size_t i = 1; i < values.size(); ++i) row[kFigureNames[i]] = std::round(values[i] * 1000) / 1000;
    list.push_back(row);
  }
  return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string folded(const Profile& profile, bool byThread) {
  std::map<std::string, double> stacks;
  for (const Span& span : profile.spans) {
    std::string stack = oneLine(span.stack, false);
    if (byThread) stack = oneLine(threadLabel(profile, span.pid, span.tid), true) + ";" + stack;
    stacks[stack] += span.self;
  }
  std::string out;
  for (const auto& entry : stacks) {
    out += entry.first + " " + std::to_string(static_cast<long long>(std::llround(entry.second))) + "\n";
  }
  return out;
}

std::string flameGraph(const Profile& profile, const std::string& title) {
  Frame root;
  root.name = "all";
  for (const Span& span : profile.spans) addStack(root, span.stack, span.self);
  const int rows = depthOf(root);
  const double height = (rows + 1) * kRowHeight + 40;
  const double scale = root.time > 0 ? kSvgWidth / root.time : 0;
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
      fixed(kSvgWidth + 20, 0) + "\" height=\"" + fixed(height, 0) + "\" viewBox=\"-10 -30 " +
      fixed(kSvgWidth + 20, 0) + " " + fixed(height, 0) +
      "\" font-family=\"monospace\" font-size=\"12\">\n"
      "<text x=\"" + fixed(kSvgWidth / 2, 0) + "\" y=\"-12\" text-anchor=\"middle\" font-size=\"16\">" +
      markup(title) + "</text>\n";
  if (root.time > 0) drawFrame(out, root, 0, 0, rows, root.time, scale);
  return out + "</svg>\n";
}

std::string timeline(const Profile& profile, const std::string& title, size_t limit) {
  std::vector<const Span*> drawn;
  for (const Span& span : profile.spans) drawn.push_back(&span);
  if (drawn.size() > limit) {
    std::nth_element(drawn.begin(), drawn.begin() + static_cast<long>(limit), drawn.end(),
                     [](const Span* a, const Span* b) { return a->duration > b->duration; });
    drawn.resize(limit);
  }
  double first = 0, last = 0;
  for (size_t i = 0; i < drawn.size(); ++i) {
    first = i == 0 ? drawn[i]->start : std::min(first, drawn[i]->start);
    last = std::max(last, drawn[i]->start + drawn[i]->duration);
  }
  const double range = last > first ? last - first : 1;
  // Lanes by thread, each as deep as its deepest span.
  std::map<std::pair<long, long>, std::vector<const Span*>> lanes;
  for (const Span* span : drawn) lanes[{span->pid, span->tid}].push_back(span);
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + markup(title) +
      "</title>\n<style>\n"
      "body{font:12px sans-serif;margin:16px}\n"
      ".lane{position:relative;border-top:1px solid #ccc;margin-bottom:4px}\n"
      ".label{font-weight:bold;padding:2px 0}\n"
      ".bar{position:absolute;height:16px;overflow:hidden;white-space:nowrap;box-sizing:border-box;"
      "border:1px solid #fff;background:#e8793c;color:#000;font-size:11px;padding-left:2px}\n"
      "</style>\n</head>\n<body>\n<h1>" +
      markup(title) + "</h1>\n<p>" + std::to_string(drawn.size()) + " of " + std::to_string(profile.spans.size()) +
      " spans over " + fixed(range / 1000.0, 3) + " ms; hover a bar for its name and duration.</p>\n";
  for (const auto& lane : lanes) {
    int deepest = 0;
    for (const Span* span : lane.second) deepest = std::max(deepest, span->depth);
    out += "<div class=\"label\">" + markup(threadLabel(profile, lane.first.first, lane.first.second)) +
           "</div>\n<div class=\"lane\" style=\"height:" + std::to_string((deepest + 1) * 18) + "px\">\n";
    for (const Span* span : lane.second) {
      const std::string name = markup(span->name);
      out += "<div class=\"bar\" style=\"left:" + fixed(100.0 * (span->start - first) / range, 4) +
             "%;width:" + fixed(std::max(0.05, 100.0 * span->duration / range), 4) +
             "%;top:" + std::to_string(span->depth * 18) + "px;background:" + colour(span->name) +
             "\" title=\"" + name + " " + fixed(span->duration, 1) + " us\">" + name + "</div>\n";
    }
    out += "</div>\n";
  }
  return out + "</body>\n</html>\n";
}

}  // namespace oryxtool
