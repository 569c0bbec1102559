#include "oryxutil/export/FormatFile.h"

#include "export/txt/TextWidth.h"

#include "support/EnvGuard.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <memory>

using oryxtest::EnvGuard;
using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

const char* const kUtf8 = "UTF-8";
const char* const kLocal = "GBK";

std::unique_ptr<FormatFile> makeTxt() {
  return std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("TXT", {}));
}

// One document (encoding null: the environment decides); the file's lines, each with its LF.
Strings exportLines(const char* encoding, const std::list<std::string>& titles,
                    const std::list<long>& widths, const std::vector<Strings>& records) {
  TempDir dir;
  auto txt = makeTxt();
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

// The lines after a one-line title block.
Strings afterHead(const Strings& lines) { return Strings(lines.begin() + 5, lines.end()); }

const Strings kExample = {
    "******************\n", "*        *       *\n", "* Name   * Value *\n", "*        *       *\n",
    "******************\n", "*        *       *\n", "* abc    * 12    *\n", "*        *       *\n",
    "******************\n", "*        *       *\n", "* abcdef * 7     *\n", "* ghij   *       *\n",
    "*        *       *\n", "******************\n"};
const std::vector<Strings> kExampleRecords = {{"abc", "12"}, {"abcdefghij", "7"}};
const std::string kTokyo = "\xE6\x9D\xB1\xE4\xBA\xAC";  // two wide ideographs in UTF-8

}  // namespace

TEST(TxtLayout, ExampleTableInBothModesWidthsAreTheLargerOfTitleAndGivenControlsAreSpaces) {
  // A missing width counts 0, surplus widths and cells are ignored, a negative width is no width.
  EXPECT_EQ(exportLines(kLocal, {"ab", "c", "de"}, {1, -5}, {})[2], "* ab * c * de *\n");
  for (const char* encoding : {kUtf8, kLocal}) {
    EXPECT_EQ(exportLines(encoding, {"Name", "Value"}, {6, 3}, kExampleRecords), kExample) << encoding;
    // Wrapping or fitting on one line.
    const Strings records[] = {{std::string("a\tb\nc\rd\0e", 9), "x"}, {"a\tb\r"}};
    EXPECT_EQ(afterHead(exportLines(encoding, {"t"}, {8, 9}, {records[0], records[1]})),
              (Strings{"*          *\n", "* a b c d  *\n", "* e        *\n", "*          *\n",
                       "************\n", "*          *\n", "* a b      *\n", "*          *\n",
                       "************\n"})) << encoding;
  }
}

TEST(TxtLayout, EmptyAndMissingCellsDifferBetweenModes) {
  // Local-charset: empty cells give no text line, missing cells a full frame.
  EXPECT_EQ(afterHead(exportLines(kLocal, {"a", "b"}, {2, 2}, {{"", ""}, {"x"}})),
            (Strings{"*    *    *\n", "*    *    *\n", "***********\n",
                     "*    *    *\n", "* x  *    *\n", "*    *    *\n", "***********\n"}));
  // UTF-8: one text line of spaces; the text lines end after the last given cell.
  EXPECT_EQ(afterHead(exportLines(kUtf8, {"a", "b"}, {2, 2}, {{"", ""}, {"x"}})),
            (Strings{"*    *    *\n", "*    *    *\n", "*    *    *\n", "***********\n",
                     "*    *    *\n", "* x  *\n", "*    *    *\n", "***********\n"}));
}

TEST(TxtLayout, Utf8ModeCountsDisplayColumnsAndRepairsBadBytes) {
  const Strings lines = exportLines(kUtf8, {"City", kTokyo}, {5, 0},
                                    {{kTokyo + "x" + kTokyo, "ab"}, {"a\xC3" "Ab\xE4\xB8", ""}});
  EXPECT_EQ(lines[0], std::string(16, '*') + "\n");
  EXPECT_EQ(lines[2], "* City  * " + kTokyo + " *\n");
  EXPECT_EQ(lines[6], "* " + kTokyo + "x * ab   *\n");
  EXPECT_EQ(lines[7], "* " + kTokyo + "  *      *\n");
  EXPECT_EQ(lines[11], "* a??b\xE4? *      *\n");  // C3 A -> ??, a cut-off E4 B8 -> E4 ?
}

// A record of more than a megabyte leaves the writer line by line: same bytes.
TEST(TxtLayout, Utf8RecordOfManyMegabytesIsCutLikeAnyOther) {
  std::string big;
  for (int k = 0; k < 150000; ++k) big += "ab" + kTokyo + "\t\xC3" "A";
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
  const Strings w4 = exportLines(kLocal, {"t"}, {4}, {{"ab" + zhong + wen}, {"abc" + zhong}, {"\xB0\x7F\xB0"}});
  EXPECT_EQ(Strings({w4[6], w4[7], w4[11], w4[12], w4[16]}),
            (Strings{"* ab" + zhong + " *\n", "* " + wen + "   *\n", "* abc  *\n",
                     "* " + zhong + "   *\n", "* \xB0\x7F\xB0  *\n"}));  // B0 7F is no pair
  const Strings w1 = exportLines(kLocal, {"t"}, {1}, {{"a" + zhong}});
  EXPECT_EQ(Strings(w1.begin() + 6, w1.begin() + 9), (Strings{"* a *\n", "* \xD6 *\n", "* \xD0 *\n"}));
  // A zero-width column shows its text one byte a line in its padding byte.
  EXPECT_EQ(exportLines(kLocal, {"", "b"}, {0, 1}, {{"xy", "z"}})[7], "* y*   *\n");
}

TEST(TxtMode, EncodingNameIsCaseSensitiveElseTheEnvironmentDecides) {
  TraceCapture capture;
  auto txt = makeTxt();
  EXPECT_EQ(txt->writeColumnTitle({kTokyo}, "utf-8", {}), -1);
  EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::writeColumnTitle:encoding=utf-8 not support"});
  auto border = [](const char* encoding) { return exportLines(encoding, {kTokyo}, {}, {})[0].size(); };
  EXPECT_EQ(border("ISO-8859-1"), 11u);  // bytes: 6 + 5
  EnvGuard global("ORYX_GLOBAL_VERSION", nullptr);
  {
    EnvGuard local("FILECONTENT_LOCAL_CHARSET", "0");
    EXPECT_EQ(border(nullptr), 9u);  // display columns: 4 + 5
  }
  EnvGuard local("FILECONTENT_LOCAL_CHARSET", "1x");
  EXPECT_EQ(border(nullptr), 11u);
  EXPECT_EQ(border(kUtf8), 9u);
}

TEST(TxtStateMachine, MisplacedCallsFailAndTheWriterStaysUsable) {
  for (const char* encoding : {kUtf8, kLocal}) {
    TraceCapture capture;
    TempDir dir;
    auto txt = makeTxt();
    EXPECT_EQ(txt->writeColumnTitle({}, {}), -1);
    EXPECT_EQ(txt->startDocument(dir.file("none.txt").c_str()), -1);  // no titles, no frame
    ASSERT_EQ(txt->writeColumnTitle({"Name", "Value"}, encoding, {6, 3}), 0);
    EXPECT_EQ(txt->writeColumnTitle({}, {99}), 0);  // keeps the columns
    EXPECT_EQ(txt->writeRecord(Strings{"x"}), -1);
    ASSERT_EQ(txt->startDocument(dir.file("1.txt").c_str(), "ignored"), 0);
    EXPECT_EQ(txt->writeRecord(Strings{}), -1);  // silently
    ASSERT_EQ(txt->endDocument(), 0);
    EXPECT_EQ(txt->endDocument(), -1);
    ASSERT_EQ(txt->startDocument(dir.file("2.txt").c_str()), 0);
    EXPECT_EQ(txt->writeRecord(kExampleRecords[0]), 0);
    EXPECT_EQ(txt->startDocument(dir.file("3.txt").c_str()), -1);
    EXPECT_EQ(txt->writeRecord(std::list<std::string>{"abcdefghij", "7"}), 0);
    ASSERT_EQ(txt->endDocument(), 0);
    EXPECT_EQ(readFile(dir.file("1.txt")), readFile(dir.file("2.txt")).substr(0, 19 * 5));
    EXPECT_EQ(readFile(dir.file("2.txt")).size(), 19u * kExample.size());
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.txt")) || std::filesystem::exists(dir.file("3.txt")));
    EXPECT_EQ(capture.texts(),
              (Strings{"TXTFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty",
                       "TXTFormatFile::startDocument: no column titles, " + dir.file("none.txt") + ".",
                       "TXTFormatFile::writefile: can't write because have not started.",
                       "TXTFormatFile::endDocument: can't end because have not started.",
                       "TXTFormatFile::startDocument: already in write."})) << encoding;
  }
}

TEST(TxtReports, BadNamesAndAFullDiskAtTheTitleBlock) {
  EnvGuard global("ORYX_GLOBAL_VERSION", nullptr);
  EnvGuard local("FILECONTENT_LOCAL_CHARSET", nullptr);
  TempDir dir;
  const std::string missing = dir.file("no/such/t.txt");
  for (const char* encoding : {static_cast<const char*>(nullptr), kUtf8}) {
    TraceCapture capture;
    auto txt = makeTxt();
    txt->writeColumnTitle({"t"}, encoding, {});
    EXPECT_EQ(txt->startDocument(nullptr), -1);
    EXPECT_EQ(txt->startDocument(missing.c_str()), -1);
    EXPECT_EQ(txt->startDocument("/dev/full"), -1);
    EXPECT_EQ(capture.texts(),
              (Strings{"TXTFormatFile::startDocument: fileName is NULL.",
                       "TXTFormatFile::startDocument: open file failed " + missing + ", errno=2",
                       encoding ? "TXTFormatFile::startDocument: write Columntitle failed(2). fileName is /dev/full, errno=28."
                                : "TXTFormatFile::startDocument: write Columntitle failed(1). fileName is /dev/full, errno=28. "}));
  }
}

TEST(TxtReports, DiskFillingUpInUtf8ModeFailsEveryLaterRecordAndTheEnd) {
  TraceCapture capture;
  TempDir dir;
  const std::string path = dir.file("t.txt");
  auto txt = makeTxt();
  txt->writeColumnTitle({"t"}, kUtf8, {1000});
  oryxtest::FileSizeLimit limit(16 * 1024);
  ASSERT_EQ(txt->startDocument(path.c_str()), 0);
  int i = 0;
  while (i < 100 && txt->writeRecord(Strings{"x"}) == 0) ++i;
  EXPECT_EQ(txt->writeRecord(Strings{"x"}), -1);
  EXPECT_EQ(txt->endDocument(), -1);
  const std::string written = "TXTFormatFile::writefile: writen failed. fileName is " + path + ". errno = 27";
  EXPECT_EQ(capture.texts(), (Strings{written, written, "TXTFormatFile::endDocument: failed, " + path + ". errno = 27 "}));
}
