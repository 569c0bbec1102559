// SPDX-License-Identifier: Apache-2.0
// JSON and NDJSON over a hostile table, read back by Python's json module
// and by jq: every key and value equal to what was written, after the
// replacement of malformed UTF-8 by U+FFFD (as Python's "replace" decodes).
#include "oryxutil/export/FormatFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

namespace {

// argv: file, json|ndjson, expected. Each expected line is one record:
// key-hex:value-hex:kind, kind n for a number, s for a string.
const char kChecker[] = R"(
import json, subprocess, sys
path, lines = sys.argv[1], sys.argv[2] == 'ndjson'
def text(h): return bytes.fromhex(h).decode('utf-8', 'replace')
expected = [[(text(k), text(v), kind) for k, v, kind in (c.split(':') for c in l.split())]
            for l in open(sys.argv[3]).read().splitlines()]
raw = open(path, 'rb').read().decode('utf-8')  # strict: the file must be UTF-8
python = [json.loads(l) for l in raw.split('\n')[:-1]] if lines else json.loads(raw)
out = subprocess.run(['jq', '-c', '.' if lines else '.[]', path], capture_output=True, check=True).stdout
bad = 0
for reader, rows in (('python', python), ('jq', [json.loads(l) for l in out.decode().split('\n')[:-1]])):
    if len(rows) != len(expected):
        bad += 1; print(reader, 'rows', len(rows), len(expected)); continue
    for i, (row, want) in enumerate(zip(rows, expected)):
        if list(row) != [k for k, _, _ in want]:
            bad += 1; print(reader, i, 'keys', list(row), [k for k, _, _ in want]); continue
        for k, v, kind in want:
            got = row[k]
            ok = got == v if kind == 's' else not isinstance(got, str) and float(got) == float(v)
            if not ok:
                bad += 1; print(reader, i, repr(k), repr(got)[:80], repr(v)[:80])
sys.exit(1 if bad else 0)
)";

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

std::string allControls() {
  std::string text;
  for (int c = 0; c < 0x20; ++c) text += static_cast<char>(c);
  return text + "\x7F\"\\/";
}

const std::list<std::string> kTitles = {"quote\"", "back\\slash", "", "dup", "dup", "\xE6\x9D\xB1\xE4\xBA\xAC",
                                        "bad\xFF", "</script>"};
// Empty titles are numbered, repeats suffixed, malformed bytes replaced;
// a field beyond the titles is numbered like an untitled column.
const Strings kKeys = {"quote\"", "back\\slash", "3", "dup", "dup_2", "\xE6\x9D\xB1\xE4\xBA\xAC",
                       "bad\xEF\xBF\xBD", "</script>", "9"};

const std::vector<Strings> kRecords = {
    {"say \"hi\"", "C:\\dir\\", allControls(), "a\r\nb\rc\nd", "", "\xE6\x9D\xB1 \xF0\x9F\x98\x80 \xED\x95\x9C",
     "</script><script>alert(1)</script>", "\u2028\u2029"},
    // Malformed: a lone lead, a cut-short character, an overlong form, a
    // surrogate, above U+10FFFF, a stray continuation byte.
    {"\xFF", "\xC3", "x\xE4\xB8", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80z", "ok"},
    // Long fields: characters across every piece boundary, the largest growth.
    {std::string(1, 'a') + [] { std::string s; for (int i = 0; i < 70000; ++i) s += "\xC3\xA9"; return s; }() + "\xE4",
     std::string(70000, '\x01'), std::string(200000, '"'), "", "", "", "", "", "beyond"},
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
    oryxtest::writeFile(dir.file("check.py"), kChecker);
    const std::string command = "/usr/bin/python3 " + dir.file("check.py") + " " + file + " " + GetParam() +
                                " " + dir.file("expected");
    EXPECT_EQ(std::system(command.c_str()), 0);
  }

  oryxtest::TempDir dir;
};

}  // namespace

TEST_P(JsonReadBack, EveryHostileValueComesBackEqualThroughPythonAndJq) {
  check(oryx::WriterOptions(), {});
}

TEST_P(JsonReadBack, WithNumericCellsOnlyPlainDecimalsBecomeNumbers) {
  oryx::WriterOptions options;
  options.numericCells = true;
  options.flushEachRecord = false;
  check(options, {4, 5, 7});  // 12.50, -3, 0.5; 007, 1,234, -0, 1e5 and 19 digits stay text
}

INSTANTIATE_TEST_SUITE_P(JsonFormats, JsonReadBack, ::testing::Values("json", "ndjson"));
