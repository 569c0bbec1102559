// SPDX-License-Identifier: Apache-2.0
// JSON and NDJSON over a hostile table, read back by Python's json module
// and by jq (json_check.py): every key and value equal to what was written,
// after the replacement of malformed UTF-8 by U+FFFD.
#include "oryxutil/export/FormatFile.h"

#include "ReadBack.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using oryxtest::hex;
using Strings = std::vector<std::string>;

namespace {

std::string allControls() {
  std::string text;
  for (int c = 0; c < 0x20; ++c) text += static_cast<char>(c);
  return text + "\x7F\"\\/";
}

std::string repeated(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

const std::list<std::string> kTitles = {
    "quote\"", "back\\slash", "", "dup", "dup", "\xE6\x9D\xB1\xE4\xBA\xAC", "bad\xFF", "</script>"};
// Empty titles are numbered, repeats suffixed, malformed bytes replaced;
// a field beyond the titles is numbered like an untitled column.
const Strings kKeys = {"quote\"",         "back\\slash", "3", "dup", "dup_2", "\xE6\x9D\xB1\xE4\xBA\xAC",
                       "bad\xEF\xBF\xBD", "</script>",   "9"};

const std::vector<Strings> kRecords = {
    {"say \"hi\"", "C:\\dir\\", allControls(), "a\r\nb\rc\nd", "",
     "\xE6\x9D\xB1 \xF0\x9F\x98\x80 \xED\x95\x9C", "</script><script>alert(1)</script>", "\u2028\u2029"},
    // Malformed: a lone lead, a cut-short character, an overlong form, a
    // surrogate, above U+10FFFF, a stray continuation byte.
    {"\xFF", "\xC3", "x\xE4\xB8", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80z", "ok"},
    // Long fields: characters across every piece boundary, the largest growth.
    {"a" + repeated("\xC3\xA9", 70000) + "\xE4", std::string(70000, '\x01'), std::string(200000, '"'), "", "",
     "", "", "", "beyond"},
    {"007", "1,234", "-0", "1e5", "12.50", "-3", "1234567890123456789", "0.5"},
    {},
};

class JsonReadBack : public ::testing::TestWithParam<const char*> {
 protected:
  // Writes the table and checks it with both readers; `numbers` the
  // columns expected as JSON numbers in the fourth record.
  void check(const oryx::WriterOptions& options, const std::vector<size_t>& numbers) {
    const std::string file = dir.file("t.json");
    auto writer = oryx::makeWriter(GetParam(), {}, options);
    ASSERT_EQ(writer->writeColumnTitle(kTitles, {}), 0);
    ASSERT_EQ(writer->startDocument(file.c_str()), 0);
    std::string expected;
    for (size_t r = 0; r < kRecords.size(); ++r) {
      ASSERT_EQ(writer->writeRecord(kRecords[r]), 0);
      for (size_t i = 0; i < kRecords[r].size(); ++i) {
        const bool number = r == 3 && std::find(numbers.begin(), numbers.end(), i) != numbers.end();
        expected += hex(kKeys[i]) + ":" + hex(kRecords[r][i]) + (number ? ":n " : ":s ");
      }
      expected += "\n";
    }
    ASSERT_EQ(writer->endDocument(), 0);
    oryxtest::writeFile(dir.file("expected"), expected);
    EXPECT_EQ(oryxtest::readBack("json_check.py " + file + " " + GetParam() + " " + dir.file("expected")),
              "");
  }

  oryxtest::TempDir dir;
};

}  // namespace

TEST_P(JsonReadBack, EveryHostileValueComesBackEqualThroughPythonAndJq) { check(oryx::WriterOptions(), {}); }

TEST_P(JsonReadBack, WithNumericCellsOnlyPlainDecimalsBecomeNumbers) {
  oryx::WriterOptions options;
  options.numericCells = true;
  options.flushEachRecord = false;
  check(options, {4, 5, 7});  // 12.50, -3, 0.5; 007, 1,234, -0, 1e5 and 19 digits stay text
}

INSTANTIATE_TEST_SUITE_P(JsonFormats, JsonReadBack, ::testing::Values("json", "ndjson"));
