// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_EXPORT_READBACK_H
#define ORYXUTIL_TESTS_EXPORT_READBACK_H

// The export tests' side of the independent readers in this folder:
// table_read.py and xlsx_read.py print each row's texts as the hex of their
// bytes ("-" when empty), one row a line; json_check.py prints what differs
// from the expected records. These helpers run them and build the expected
// text the same way. Not thread-safe (gtest assertions, popen).

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace oryxtest {

inline std::string hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
  return out.empty() ? "-" : out;
}

// One row as the readers print it, from cells already shown.
inline std::string row(const std::vector<std::string>& cells) {
  std::string out;
  for (const std::string& cell : cells) out += (out.empty() ? "" : " ") + cell;
  return out + "\n";
}

inline std::string hexRows(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const std::vector<std::string>& texts : rows) {
    std::vector<std::string> cells;
    for (const std::string& text : texts) cells.push_back(hex(text));
    out += row(cells);
  }
  return out;
}

// What `reader` (a script of this folder and its arguments) prints; the
// test fails when the reader does. /usr/bin/python3: Debian's modules
// (openpyxl, html5lib) serve it, a python3 earlier on the PATH may lack them.
inline std::string readBack(const std::string& reader) {
  const std::string command = "/usr/bin/python3 " ORYX_SOURCE_DIR "/tests/export/" + reader;
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr) << command;
  if (pipe == nullptr) return out;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return out;
}

}  // namespace oryxtest

#endif
