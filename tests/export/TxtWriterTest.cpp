#include "oryxutil/export/FormatFile.h"

#include "support/EnvGuard.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using oryxtest::EnvGuard;
using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;
using Titles = std::list<std::string>;
using Widths = std::list<long>;

namespace {

const char* const kUtf8 = "UTF-8";
const char* const kLocal = "GBK";

std::unique_ptr<FormatFile> makeTxt() {
  return std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("txt", {}));
}

// Writes one document with the given encoding (null: decided by the
// environment) and returns the file's bytes.
std::string exportTable(const char* encoding, const Titles& titles, const Widths& widths,
                        const std::vector<Strings>& records) {
  TempDir dir;
  auto txt = makeTxt();
  EXPECT_EQ(txt->writeColumnTitle(titles, encoding, widths), 0);
  EXPECT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  for (const auto& record : records) EXPECT_EQ(txt->writeRecord(record), 0);
  EXPECT_EQ(txt->endDocument(), 0);
  return readFile(dir.file("t.txt"));
}

// Lines of a file, each with its line feed.
Strings linesOf(const std::string& text) {
  Strings lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start + 1));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

const char kExample[] =
    "******************\n"
    "*        *       *\n"
    "* Name   * Value *\n"
    "*        *       *\n"
    "******************\n"
    "*        *       *\n"
    "* abc    * 12    *\n"
    "*        *       *\n"
    "******************\n"
    "*        *       *\n"
    "* abcdef * 7     *\n"
    "* ghij   *       *\n"
    "*        *       *\n"
    "******************\n";

const std::vector<Strings> kExampleRecords = {{"abc", "12"}, {"abcdefghij", "7"}};

// Two GBK double-byte characters.
const char kZhongGbk[] = "\xD6\xD0";
const char kWenGbk[] = "\xCE\xC4";
// Two UTF-8 wide ideographs.
const char kTokyo[] = "\xE6\x9D\xB1\xE4\xBA\xAC";

}  // namespace

TEST(TxtLayout, ExampleTableIsByteIdenticalInBothModes) {
  EXPECT_EQ(exportTable(kUtf8, {"Name", "Value"}, {6, 3}, kExampleRecords), kExample);
  EXPECT_EQ(exportTable(kLocal, {"Name", "Value"}, {6, 3}, kExampleRecords), kExample);
  EXPECT_EQ(exportTable("ISO-8859-1", {"Name", "Value"}, {6, 3}, kExampleRecords), kExample);
}

TEST(TxtLayout, ColumnWidthIsTheLargerOfTitleAndGivenWidth) {
  // Missing width counts 0, surplus widths are ignored, a negative width is no width.
  const std::string text = exportTable(kLocal, {"ab", "c", "de"}, {1, -5}, {});
  EXPECT_EQ(linesOf(text)[0], std::string(2 + 1 + 2 + 3 * 3 + 2 - 1, '*') + "\n");
  EXPECT_EQ(linesOf(text)[2], "* ab * c * de *\n");
  EXPECT_EQ(linesOf(exportTable(kLocal, {"a"}, {3, 9, 9}, {}))[2], "* a   *\n");
}

TEST(TxtLayout, CellOfExactlyTheWidthFillsOneLineAndOneMoreByteWraps) {
  const Strings lines = linesOf(exportTable(kLocal, {"t"}, {3}, {{"abc"}, {"abcd"}}));
  ASSERT_EQ(lines.size(), 5u + 4u + 5u);
  EXPECT_EQ(lines[6], "* abc *\n");
  EXPECT_EQ(lines[10], "* abc *\n");
  EXPECT_EQ(lines[11], "* d   *\n");
}

TEST(TxtLayout, ControlBytesAreSpacesAndNeverBreakALine) {
  for (const char* encoding : {kUtf8, kLocal}) {
    const Strings lines =
        linesOf(exportTable(encoding, {"t"}, {8}, {{std::string("a\tb\nc\rd\0e", 9)}}));
    ASSERT_EQ(lines.size(), 5u + 5u) << encoding;
    EXPECT_EQ(lines[6], "* a b c d  *\n") << encoding;
    EXPECT_EQ(lines[7], "* e        *\n") << encoding;
  }
}

TEST(TxtLayout, EmptyCellsGiveNoTextLineInLocalModeAndOneInUtf8Mode) {
  const Strings local = linesOf(exportTable(kLocal, {"a", "b"}, {2, 2}, {{"", ""}}));
  EXPECT_EQ(Strings(local.begin() + 5, local.end()),
            (Strings{"*    *    *\n", "*    *    *\n", "***********\n"}));
  const Strings utf8 = linesOf(exportTable(kUtf8, {"a", "b"}, {2, 2}, {{"", ""}}));
  EXPECT_EQ(Strings(utf8.begin() + 5, utf8.end()),
            (Strings{"*    *    *\n", "*    *    *\n", "*    *    *\n", "***********\n"}));
}

TEST(TxtLayout, FewerCellsThanColumns) {
  // Local-charset mode keeps the full frame; UTF-8 mode ends the text line after the last cell.
  const Strings local = linesOf(exportTable(kLocal, {"a", "b", "c"}, {3, 3, 3}, {{"x"}}));
  EXPECT_EQ(local[6], "* x   *     *     *\n");
  const Strings utf8 = linesOf(exportTable(kUtf8, {"a", "b", "c"}, {3, 3, 3}, {{"x", "yyyyy"}}));
  EXPECT_EQ(utf8[6], "* x   * yyy *\n");
  EXPECT_EQ(utf8[7], "*     * yy  *\n");
  EXPECT_EQ(utf8[8], "*     *     *     *\n");
}

TEST(TxtLayout, SurplusCellsAreIgnored) {
  for (const char* encoding : {kUtf8, kLocal}) {
    const Strings lines = linesOf(exportTable(encoding, {"a"}, {2}, {{"x", "surplus"}}));
    ASSERT_EQ(lines.size(), 5u + 4u) << encoding;
    EXPECT_EQ(lines[6], "* x  *\n") << encoding;
  }
}

TEST(TxtLayout, Utf8ModeCountsDisplayColumns) {
  const std::string text =
      exportTable(kUtf8, {"City", kTokyo}, {5, 0}, {{std::string(kTokyo) + "x" + kTokyo, "ab"}});
  EXPECT_EQ(text,
            "****************\n"
            "*       *      *\n"
            "* City  * " + std::string(kTokyo) + " *\n"
            "*       *      *\n"
            "****************\n"
            "*       *      *\n"
            "* " + std::string(kTokyo) + "x * ab   *\n"
            "* " + std::string(kTokyo) + "  *      *\n"
            "*       *      *\n"
            "****************\n");
}

TEST(TxtLayout, Utf8ModeRepairsMalformedCellBytes) {
  const Strings lines = linesOf(exportTable(kUtf8, {"t"}, {4}, {{"a\xC3" "Ab\xE4\xB8"}}));
  EXPECT_EQ(lines[6], "* a??b *\n");
  EXPECT_EQ(lines[7], "* \xE4?    *\n");
}

TEST(TxtLayout, LocalModeNeverSplitsADoubleBytePair) {
  const std::string abPairs = std::string("ab") + kZhongGbk + kWenGbk;
  const std::string abcPair = std::string("abc") + kZhongGbk;
  const Strings lines = linesOf(exportTable(kLocal, {"t"}, {4}, {{abPairs}, {abcPair}, {"\xB0\x7F\xB0"}}));
  ASSERT_EQ(lines.size(), 5u + 5u + 5u + 4u);
  EXPECT_EQ(lines[6], "* ab" + std::string(kZhongGbk) + " *\n");
  EXPECT_EQ(lines[7], "* " + std::string(kWenGbk) + "   *\n");
  EXPECT_EQ(lines[11], "* abc  *\n");
  EXPECT_EQ(lines[12], "* " + std::string(kZhongGbk) + "   *\n");
  EXPECT_EQ(lines[16], "* \xB0\x7F\xB0  *\n");  // a high byte before a low one is no pair
}

TEST(TxtLayout, LocalModeWidthOneSplitsPairsOneBytePerLine) {
  const Strings lines = linesOf(exportTable(kLocal, {"t"}, {1}, {{std::string("a") + kZhongGbk}}));
  ASSERT_EQ(lines.size(), 5u + 6u);
  EXPECT_EQ(lines[6], "* a *\n");
  EXPECT_EQ(lines[7], "* \xD6 *\n");
  EXPECT_EQ(lines[8], "* \xD0 *\n");
}

TEST(TxtLayout, LocalModeZeroWidthColumnShowsOneBytePerLineInItsPadding) {
  const Strings lines = linesOf(exportTable(kLocal, {"", "b"}, {0, 1}, {{"xy", "z"}}));
  EXPECT_EQ(lines[0], "********\n");
  EXPECT_EQ(lines[6], "* x* z *\n");
  EXPECT_EQ(lines[7], "* y*   *\n");
}

TEST(TxtMode, EncodingNameDecidesAndIsCaseSensitive) {
  TraceCapture capture;
  TempDir dir;
  auto txt = makeTxt();
  EXPECT_EQ(txt->writeColumnTitle({kTokyo}, "utf-8", {}), -1);
  EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::writeColumnTitle:encoding=utf-8 not support"});
  // The rejected name stays, so the writer works in local-charset mode: 6 bytes, not 4 columns.
  EXPECT_EQ(txt->writeColumnTitle({kTokyo}, {}), 0);
  ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(linesOf(readFile(dir.file("t.txt")))[0], std::string(6 + 5 - 1, '*') + "\n");
}

TEST(TxtMode, WithoutEncodingTheInstallationAndEnvironmentDecide) {
  auto borderOfTokyo = [] {
    return linesOf(exportTable(nullptr, {kTokyo}, {}, {}))[0].size() - 1;
  };
  {
    EnvGuard global("ORYX_GLOBAL_VERSION", nullptr);
    EnvGuard local("FILECONTENT_LOCAL_CHARSET", "0");
    EXPECT_EQ(borderOfTokyo(), 4u + 4u);  // UTF-8: display columns
  }
  {
    EnvGuard global("ORYX_GLOBAL_VERSION", nullptr);
    EnvGuard local("FILECONTENT_LOCAL_CHARSET", "1x");
    EXPECT_EQ(borderOfTokyo(), 6u + 4u);  // local charset: bytes
  }
  {
    EnvGuard global("ORYX_GLOBAL_VERSION", "0");
    EnvGuard local("FILECONTENT_LOCAL_CHARSET", nullptr);
    EXPECT_EQ(borderOfTokyo(), 6u + 4u);
  }
}

TEST(TxtStateMachine, RecordsNeedAnOpenDocumentAndAtLeastOneCell) {
  TraceCapture capture;
  TempDir dir;
  auto txt = makeTxt();
  txt->writeColumnTitle({"t"}, kUtf8, {});
  EXPECT_EQ(txt->writeRecord(Strings{"x"}), -1);
  EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::writefile: can't write because have not started."});
  capture.clear();
  ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  EXPECT_EQ(txt->writeRecord(Strings{}), -1);
  EXPECT_EQ(txt->writeRecord(std::list<std::string>{}), -1);
  EXPECT_EQ(txt->endDocument(), 0);
  EXPECT_TRUE(capture.texts().empty());
  EXPECT_EQ(readFile(dir.file("t.txt")).size(), 5u * 6u);
}

TEST(TxtStateMachine, SecondStartIsRefusedAndTheOpenDocumentContinues) {
  for (const char* encoding : {kUtf8, kLocal}) {
    TraceCapture capture;
    TempDir dir;
    auto txt = makeTxt();
    txt->writeColumnTitle({"Name", "Value"}, encoding, {6, 3});
    ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
    EXPECT_EQ(txt->writeRecord(kExampleRecords[0]), 0);
    EXPECT_EQ(txt->startDocument(dir.file("other.txt").c_str()), -1);
    EXPECT_EQ(txt->writeRecord(std::list<std::string>{"abcdefghij", "7"}), 0);
    EXPECT_EQ(txt->endDocument(), 0);
    EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::startDocument: already in write."});
    EXPECT_EQ(readFile(dir.file("t.txt")), kExample) << encoding;
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.txt")));
  }
}

TEST(TxtStateMachine, EndTwiceReportsAndTheWriterStartsAgainWithTheSameTitles) {
  TraceCapture capture;
  TempDir dir;
  auto txt = makeTxt();
  txt->writeColumnTitle({"Name", "Value"}, kUtf8, {6, 3});
  ASSERT_EQ(txt->startDocument(dir.file("1.txt").c_str()), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(txt->endDocument(), -1);
  EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::endDocument: can't end because have not started."});
  ASSERT_EQ(txt->startDocument(dir.file("2.txt").c_str()), 0);
  for (const auto& record : kExampleRecords) EXPECT_EQ(txt->writeRecord(record), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("2.txt")), kExample);
  EXPECT_EQ(readFile(dir.file("1.txt")), std::string(kExample, 19 * 5));
}

TEST(TxtTitles, EmptyTitlesFailOnlyWhenNoneWerePrepared) {
  TraceCapture capture;
  TempDir dir;
  auto txt = makeTxt();
  EXPECT_EQ(txt->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(capture.texts(),
            Strings{"TXTFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty"});
  // A writer without titles has no frame and refuses to start.
  EXPECT_EQ(txt->startDocument(dir.file("t.txt").c_str()), -1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("t.txt")));
  ASSERT_EQ(txt->writeColumnTitle({"Name", "Value"}, kLocal, {6, 3}), 0);
  EXPECT_EQ(txt->writeColumnTitle({}, {99}), 0);
  ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.txt")), std::string(kExample, 19 * 5));
}

TEST(TxtTitles, AbsurdWidthsAreRefused) {
  TraceCapture capture;
  auto txt = makeTxt();
  EXPECT_EQ(txt->writeColumnTitle({"a", "b"}, kLocal, {0x7FFFFFFF, 0x7FFFFFFF}), -1);
  EXPECT_EQ(capture.texts(), Strings{"TXTFormatFile::writeColumnTitle:column widths too large"});
}

TEST(TxtReports, NullNameAndMissingDirectory) {
  TraceCapture capture;
  TempDir dir;
  auto txt = makeTxt();
  txt->writeColumnTitle({"t"}, kLocal, {});
  EXPECT_EQ(txt->startDocument(nullptr), -1);
  const std::string missing = dir.file("no/such/t.txt");
  EXPECT_EQ(txt->startDocument(missing.c_str(), "ignored"), -1);
  EXPECT_EQ(capture.texts(),
            (Strings{"TXTFormatFile::startDocument: fileName is NULL.",
                     "TXTFormatFile::startDocument: open file failed " + missing + ", errno=2"}));
  EXPECT_EQ(txt->endDocument(), -1);  // no document was opened
}

TEST(TxtReports, FullDiskFailsTheUtf8TitleBlock) {
  struct Case {
    const char* encoding;
    const char* message;
  };
  EnvGuard global("ORYX_GLOBAL_VERSION", nullptr);
  EnvGuard local("FILECONTENT_LOCAL_CHARSET", nullptr);
  const Case cases[] = {
      {nullptr, "TXTFormatFile::startDocument: write Columntitle failed(1). fileName is /dev/full, errno=28. "},
      {kUtf8, "TXTFormatFile::startDocument: write Columntitle failed(2). fileName is /dev/full, errno=28."}};
  for (const Case& c : cases) {
    TraceCapture capture;
    auto txt = makeTxt();
    txt->writeColumnTitle({"t"}, c.encoding, {});
    EXPECT_EQ(txt->startDocument("/dev/full"), -1);
    EXPECT_EQ(txt->writeRecord(Strings{"x"}), -1);  // no document is open
    EXPECT_EQ(capture.texts(),
              (Strings{c.message, "TXTFormatFile::writefile: can't write because have not started."}));
  }
}

TEST(TxtReports, DiskFillingUpInUtf8ModeFailsRecordsAndTheEnd) {
  TraceCapture capture;
  TempDir dir;
  const std::string path = dir.file("t.txt");
  auto txt = makeTxt();
  txt->writeColumnTitle({"t"}, kUtf8, {1000});
  int firstFailure = -1;
  {
    oryxtest::FileSizeLimit limit(16 * 1024);
    ASSERT_EQ(txt->startDocument(path.c_str()), 0);
    for (int i = 0; i < 100 && firstFailure < 0; ++i) {
      if (txt->writeRecord(Strings{"x"}) != 0) firstFailure = i;
    }
    ASSERT_GT(firstFailure, 0);
    EXPECT_EQ(txt->writeRecord(Strings{"x"}), -1);  // the failure is sticky
    EXPECT_EQ(txt->endDocument(), -1);
  }
  const std::string written = "TXTFormatFile::writefile: writen failed. fileName is " + path + ". errno = 27";
  EXPECT_EQ(capture.texts(),
            (Strings{written, written, "TXTFormatFile::endDocument: failed, " + path + ". errno = 27 "}));
  EXPECT_EQ(txt->writeRecord(Strings{"x"}), -1);  // the document is over
}
