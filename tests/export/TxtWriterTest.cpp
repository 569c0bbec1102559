// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/export/FormatFile.h"

#include "export/txt/TextWidth.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>


using oryxtest::EnvGuard;
using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

const char* const kUtf8 = "UTF-8";
const char* const kLocal = "GBK";

// One document (encoding null: the environment decides); the file's lines, each with its LF.
Strings exportLines(const char* encoding, const std::list<std::string>& titles, const std::list<long>& widths,
                    const std::vector<Strings>& records, const oryx::WriterOptions& options = {}) {
  TempDir dir;
  auto txt = oryx::makeWriter("txt", {}, options);
  EXPECT_EQ(txt->writeColumnTitle(titles, encoding, widths), 0);
  EXPECT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  for (const auto& record : records) EXPECT_EQ(txt->writeRecord(record), 0);
  EXPECT_EQ(txt->endDocument(), 0);
  Strings lines;
  const std::string text = readFile(dir.file("t.txt"));
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start + 1));
  return lines;
}

const std::string kTokyo = "\xE6\x9D\xB1\xE4\xBA\xAC";  // two wide ideographs in UTF-8

}  // namespace

// A record of more than a megabyte leaves the writer line by line, cut and
// repaired as any cell is.
TEST(TxtLayout, Utf8RecordOfManyMegabytesIsCutLikeAnyOther) {
  std::string big;
  for (int k = 0; k < 150000; ++k) big += "ab" + kTokyo + "\t\xC3\x41";  // C3 A: a broken character
  const Strings lines = exportLines(kUtf8, {"A", "B"}, {7, 3}, {{big, "xy"}});
  const Strings pieces = oryx::splitCell(big, 7);
  ASSERT_EQ(lines.size(), 5 + 1 + pieces.size() + 2);
  for (size_t j = 0; j < pieces.size(); ++j) {
    ASSERT_EQ(lines[6 + j], "* " + pieces[j] + " * " + (j == 0 ? "xy " : "   ") + " *\n") << j;
  }
  EXPECT_EQ(lines.back(), std::string(17, '*') + "\n");
}

TEST(TxtLayout, LocalModeNeverSplitsADoubleBytePairUnlessTheWidthIsOne) {
  const std::string zhong = "\xD6\xD0", wen = "\xCE\xC4";  // GBK
  const Strings w4 =
      exportLines(kLocal, {"t"}, {4}, {{"ab" + zhong + wen}, {"abc" + zhong}, {"\xB0\x7F\xB0"}});
  EXPECT_EQ(Strings({w4[6], w4[7], w4[11], w4[12], w4[16]}),
            (Strings{"* ab" + zhong + " *\n", "* " + wen + "   *\n", "* abc  *\n", "* " + zhong + "   *\n",
                     "* \xB0\x7F\xB0  *\n"}));  // B0 7F is no pair
  const Strings w1 = exportLines(kLocal, {"t"}, {1}, {{"a" + zhong}});
  EXPECT_EQ(Strings(w1.begin() + 6, w1.begin() + 9), (Strings{"* a *\n", "* \xD6 *\n", "* \xD0 *\n"}));
  // By the terminal rule no control byte reaches the terminal.
  oryx::WriterOptions terminal;
  terminal.terminalWidths = true;
  const Strings t = exportLines(kLocal, {"t"}, {6}, {{std::string("\x1B[2J\x7F\0\t", 7) + zhong}}, terminal);
  EXPECT_EQ(Strings(t.begin() + 6, t.begin() + 8), (Strings{"* ?[2J?? *\n", "*  " + zhong + "    *\n"}));
  // A zero-width column shows its text one byte a line in its padding byte.
  EXPECT_EQ(exportLines(kLocal, {"", "b"}, {0, 1}, {{"xy", "z"}})[7], "* y*   *\n");
}

TEST(TxtMode, EncodingNameIsCaseSensitiveElseTheEnvironmentDecides) {
  TraceCapture capture;
  EXPECT_EQ(oryx::makeWriter("txt", {})->writeColumnTitle({kTokyo}, "utf-8", {}), -1);
  EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::writeColumnTitle:encoding=utf-8 not support"});
  auto border = [](const char* encoding) { return exportLines(encoding, {kTokyo}, {}, {})[0].size(); };
  EXPECT_EQ(border("ISO-8859-1"), 11u);  // bytes: 6 + 5
  EnvGuard global("ORYX_GLOBAL_VERSION", nullptr);
  EnvGuard local("FILECONTENT_LOCAL_CHARSET", "1x");
  EXPECT_EQ(border(nullptr), 11u);
  EXPECT_EQ(border(kUtf8), 9u);
}
