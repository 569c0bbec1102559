// SPDX-License-Identifier: Apache-2.0
#include "ColumnSelection.h"

#include <cstdlib>

namespace oryxtool {

namespace {

bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Reads one end at `at`: a quoted name, or text up to the next , or -.
// False for a quote left open.
bool readEnd(const std::string& text, size_t& at, std::string& word, bool& quoted) {
  word.clear();
  quoted = at < text.size() && text[at] == '"';
  if (!quoted) {
    while (at < text.size() && text[at] != ',' && text[at] != '-') word += text[at++];
    return true;
  }
  for (++at; at < text.size(); ++at) {
    if (text[at] != '"') {
      word += text[at];
    } else if (at + 1 < text.size() && text[at + 1] == '"') {
      word += text[++at];
    } else {
      ++at;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ColumnSelection::parse(const std::string& text) {
  m_items.clear();
  size_t at = 0;
  for (;;) {
    Item item;
    End* end = &item.from;
    for (;;) {
      std::string word;
      bool quoted = false;
      if (!readEnd(text, at, word, quoted)) return "a quoted name is not closed: " + text;
      if (!quoted && allDigits(word)) {
        end->index = std::strtoul(word.c_str(), nullptr, 10);
        if (end->index == 0 || word.size() > 9) return "column indexes count from 1: " + word;
      } else if (!word.empty() || quoted) {
        // name[N]: the N-th column of that name.
        const size_t open = word.rfind('[');
        if (!quoted && open != std::string::npos && word.back() == ']' &&
            allDigits(word.substr(open + 1, word.size() - open - 2))) {
          end->occurrence = std::strtoul(word.c_str() + open + 1, nullptr, 10);
          word.resize(open);
        }
        end->name = word;
        end->byName = true;
      }
      if (at < text.size() && text[at] == '-' && !item.range) {
        item.range = true;
        end = &item.to;
        ++at;
        continue;
      }
      break;
    }
    const bool empty = !item.from.byName && item.from.index == 0;
    if (!item.range && empty) return "an empty column in the selection: " + text;
    m_items.push_back(item);
    if (at == text.size()) return "";
    if (text[at] != ',') return "expected a comma at position " + std::to_string(at + 1) + ": " + text;
    ++at;
  }
}

std::string ColumnSelection::find(const End& end, const std::vector<std::string>& titles, size_t open,
                                  size_t& column) const {
  if (end.byName) {
    size_t seen = 0;
    for (size_t i = 0; i < titles.size(); ++i) {
      if (titles[i] == end.name && seen++ == end.occurrence) {
        column = i;
        return "";
      }
    }
    return "no column named " + end.name + (end.occurrence ? "[" + std::to_string(end.occurrence) + "]" : "");
  }
  if (end.index == 0) {
    column = open;
    return "";
  }
  if (end.index > titles.size()) {
    return "column " + std::to_string(end.index) + " is beyond the " + std::to_string(titles.size()) + " columns";
  }
  column = end.index - 1;
  return "";
}

std::string ColumnSelection::resolve(const std::vector<std::string>& titles) {
  m_columns.clear();
  for (const Item& item : m_items) {
    size_t from = 0, to = 0;
    std::string error = find(item.from, titles, 0, from);
    if (error.empty() && item.range) error = find(item.to, titles, titles.empty() ? 0 : titles.size() - 1, to);
    if (!error.empty()) return error;
    if (!item.range) to = from;
    for (size_t i = from;; from <= to ? ++i : --i) {
      m_columns.push_back(i);
      if (i == to) break;
    }
  }
  return "";
}

void ColumnSelection::apply(const std::vector<std::string>& fields, std::vector<std::string>& out) const {
  out.resize(m_columns.size());
  for (size_t i = 0; i < m_columns.size(); ++i) out[i] = fields[m_columns[i]];
}

void ColumnSelection::apply(std::vector<std::string>& fields) const {
  std::vector<std::string> selected(m_columns.size());
  for (size_t i = 0; i < m_columns.size(); ++i) selected[i] = fields[m_columns[i]];
  fields.swap(selected);
}

}  // namespace oryxtool
