// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/export/FormatFile.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

const std::string kTail = "</TABLE>\n</BODY>\n</HTML>\n";

std::string head(const std::string& width) {
  return "<HTML>\n<HEAD>\n<TITLE>\n\n</TITLE>\n<BODY>\n<CAPTION></CAPTION>\n<TABLE WIDTH=" + width +
         " BORDER=2 CELLSPACING=1 CELLPADDING=5>\n";
}

// A fresh writer (no titles yet); `name` is its file.
class HtmlTest : public ::testing::Test {
 protected:
  // The TABLE tag's WIDTH after the given writeColumnTitle calls.
  std::string widthAfter(const std::vector<std::pair<std::list<std::string>, std::list<long>>>& calls) {
    html.reset(FormatFileFactory::getFormatFile("html", {}));
    for (const auto& call : calls) html->writeColumnTitle(call.first, call.second);
    EXPECT_EQ(html->startDocument(name.c_str()), 0);
    EXPECT_EQ(html->endDocument(), 0);
    const std::string page = readFile(name);
    const size_t at = page.find("WIDTH=") + 6;
    return page.substr(at, page.find(' ', at) - at);
  }

  oryxtest::TempDir dir;
  oryxtest::TraceCapture capture;
  std::unique_ptr<FormatFile> html{FormatFileFactory::getFormatFile("html", {"ignored"})};
  const std::string name = dir.file("t.html");
};
using HtmlPage = HtmlTest;
using HtmlStateMachine = HtmlTest;
using HtmlReports = HtmlTest;

}  // namespace

// Cells against a byte-at-a-time replacement, escaped and as they are:
// every length up to 40 with specials at each place among bytes one bit
// away from them (and zero bytes), and a field longer than one escaping piece.
TEST_F(HtmlPage, CellsEqualAByteAtATimeReplacementAtEveryLengthAndPlace) {
  const std::string nearMisses(" #$=8:\xA2\xA6\xBC\xBE\0", 11);
  Strings fields;
  for (size_t length = 1; length <= 40; ++length) {
    for (size_t at = 0; at < length; ++at) {
      std::string field;
      for (size_t i = 0; i < length; ++i) field += nearMisses[(i + length) % nearMisses.size()];
      field[at] = "&<>\""[at % 4];
      field[at * 7 % length] = "\"&<>"[length % 4];
      fields.push_back(field);
    }
  }
  fields.push_back(std::string(40000, 'x'));
  for (size_t i = 16 * 1024 - 20; i < 16 * 1024 + 20; i += 3) fields.back()[i] = '"';
  for (bool escape : {false, true}) {
    oryx::WriterOptions options;
    options.escapeMarkup = escape;
    html.reset(FormatFileFactory::getFormatFile("html", {}, options));
    ASSERT_EQ(html->startDocument(name.c_str()), 0);
    ASSERT_EQ(html->writeRecord(fields), 0);
    ASSERT_EQ(html->endDocument(), 0);
    std::string rows = "<TR>\n";
    for (const std::string& field : fields) {
      rows += "<TD ALIGN=left ALIGN=middle>";
      for (char c : field) {
        rows += !escape ? std::string(1, c) : c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;"
                        : c == '"' ? "&quot;" : std::string(1, c);
      }
      rows += "</TD>\n";
    }
    EXPECT_EQ(readFile(name), head("0") + rows + "</TR>\n" + kTail) << "escaped: " << escape;
  }
}

TEST_F(HtmlPage, TableWidthsAddUpInThirtyTwoBitsWithAnAllowanceOnlyWhenPositive) {
  EXPECT_EQ(widthAfter({{{"a", "b"}, {}}}), "0");
  EXPECT_EQ(widthAfter({{{"a"}, {3, -10}}}), "-35");
  // Calls with titles add up; an empty title list changes nothing.
  EXPECT_EQ(widthAfter({{{"a"}, {10}}, {{}, {100}}, {{"b", "c"}, {5}}}), "160");
  EXPECT_EQ(widthAfter({{{"a"}, {INT32_MAX}}}), "-2147483623");  // wraps like a 32-bit long
}

