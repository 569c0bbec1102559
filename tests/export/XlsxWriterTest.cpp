// SPDX-License-Identifier: Apache-2.0
// The workbook writer, read back by an independent reader (openpyxl through
// xlsx_read.py, which prints each sheet's head and each cell as hex).
#include "oryxutil/export/FormatFile.h"

#include "export/xlsx/XLSXFormatFile.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <clocale>
#include <memory>

using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

const std::string kR = "efbfbd";  // U+FFFD

// The books as the reader prints them, one after another (one interpreter
// start: it costs a second). /usr/bin/python3: Debian's python3-openpyxl
// serves it, a python3 earlier on the PATH may not.
std::string readBack(const Strings& books) {
  const std::string out = books.front() + ".read";
  std::string command = "/usr/bin/python3 " ORYX_SOURCE_DIR "/tests/export/xlsx_read.py full";
  for (const std::string& book : books) command += " " + book;
  EXPECT_EQ(std::system((command + " >" + out).c_str()), 0) << command;
  return readFile(out);
}

std::string hex(const std::string& text) {
  std::string out;
  for (unsigned char c : text) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
  return out.empty() ? "-" : out;
}

// A row as the reader prints it: cells as hex, already-printed cells as they are.
std::string row(const Strings& cells) {
  std::string out;
  for (const std::string& cell : cells) out += (out.empty() ? "" : " ") + cell;
  return out + "\n";
}

// A sheet's head line and title row as the reader prints them.
std::string head(const std::string& sheet, const std::string& filter, const Strings& titles,
                 const std::string& widths = "") {
  return "sheet " + sheet + " freeze=A2 filter=" + filter + " bold=True widths=" + widths + "\n" + row(titles);
}

}  // namespace

TEST(XlsxReadBack, EveryCellEqualsTheInputRepairedOrCutWhereAWorkbookCannotHoldIt) {
  TempDir dir;
  TraceCapture capture;
  const std::string name = dir.file("t.xlsx");
  std::unique_ptr<FormatFile> xlsx(FormatFileFactory::getFormatFile("XLSX", {}));
  ASSERT_EQ(xlsx->writeColumnTitle({"id", "text", "more"}, "ignored", {8, 300, -1}), 0);
  ASSERT_EQ(xlsx->startDocument(name.c_str()), 0);
  const std::string a32767(32767, 'a'), b32766(32766, 'b');
  const std::vector<Strings> records = {
      {"1", "with \"quotes\", commas", "line\nfeed\tand tab"},
      {"2", "", "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80"},
      {"3", std::string(40000, 'a'), b32766 + "\xF0\x9F\x98\x80"},  // both cut, one report
      {"4", "bad \xC3 utf8 \xED\xA0\x80 \xFF", std::string("a\x01" "b\rc\0d\x7F\xC2\x85", 10)},
      {"5", "_x0041_ stays", "  blanks  "},
      {"6"},
      {}};
  for (const Strings& record : records) ASSERT_EQ(xlsx->writeRecord(record), 0);
  ASSERT_EQ(xlsx->endDocument(), 0);
  EXPECT_EQ(capture.texts(), Strings{"XLSXFormatFile::writefile: field cut to 32767 characters. fileName is " + name + "."});
  EXPECT_EQ(readBack({name}),
            head("Sheet1", "A1:C7", {hex("id"), hex("text"), hex("more")}, "A:8,B:255") +
                row({hex("1"), hex(records[0][1]), hex(records[0][2])}) + row({hex("2"), "-", hex(records[1][2])}) +
                row({hex("3"), hex(a32767), hex(b32766)}) +
                row({hex("4"), hex("bad ") + kR + hex(" utf8 ") + kR + kR + kR + hex(" ") + kR,
                     "61" + kR + "62" + kR + "63" + kR + "64" + kR + kR}) +
                row({hex("5"), hex("_x0041_ stays"), hex("  blanks  ")}) + row({hex("6"), "-", "-"}));
}

TEST(XlsxNumbers, NumericCellsOnlyForPlainDecimalsAndOnlyWhenAsked) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0", "n:0.0"},        {"42", "n:42.0"},          {"-17", "n:-17.0"},
      {"3.25", "n:3.25"},    {"0.001", "n:0.001"},      {"1.50", "n:1.5"},
      {"123456789012345", "n:123456789012345.0"},       {"1234567890123456", ""},
      {"007", ""},  {"1e5", ""}, {"+5", ""}, {".5", ""}, {"5.", ""}, {"1 ", ""}, {"1,5", ""},
      {"-0", ""},   {"-", ""},   {"1.2.3", ""}, {"0x10", ""}};
  TempDir dir;
  // Numbers are written alike in a locale with a decimal comma (when one can be built here).
  oryxtest::EnvGuard path("LOCPATH", dir.path().c_str());
  const bool comma = std::system(("localedef -i de_DE -f UTF-8 " + dir.file("de_DE.UTF-8") + " 2>/dev/null").c_str()) == 0 &&
                     ::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  std::string expected;
  for (const bool numeric : {true, false}) {
    oryx::WriterOptions options;
    options.numericCells = numeric;
    std::unique_ptr<FormatFile> xlsx(FormatFileFactory::getFormatFile("xlsx", {}, options));
    ASSERT_EQ(xlsx->writeColumnTitle({"v"}, {}), 0);
    ASSERT_EQ(xlsx->startDocument(dir.file(numeric ? "n.xlsx" : "s.xlsx").c_str()), 0);
    expected += head("Sheet1", "A1:A20", {hex("v")});
    for (const auto& c : cases) {
      ASSERT_EQ(xlsx->writeRecord(Strings{c.first}), 0);
      expected += row({numeric && !c.second.empty() ? c.second : hex(c.first)});
    }
    ASSERT_EQ(xlsx->endDocument(), 0);
  }
  ::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(readBack({dir.file("n.xlsx"), dir.file("s.xlsx")}), expected) << "decimal comma locale: " << comma;
}

TEST(XlsxSheets, RecordsPastTheRowLimitContinueOnNewSheetsAndAFailedNewSheetIsRetried) {
  TempDir dir;
  TraceCapture capture;
  auto xlsx = std::make_unique<XLSXFormatFile>(std::list<std::string>{}, oryx::WriterOptions());
  ASSERT_EQ(xlsx->writeColumnTitle({"a", "b"}, {}), 0);
  xlsx->setSheetRows(3);
  ASSERT_EQ(xlsx->startDocument(dir.file("t.xlsx").c_str()), 0);
  for (const char* value : {"1", "2"}) ASSERT_EQ(xlsx->writeRecord(Strings{value, "x"}), 0);
  Strings reports;
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizers' own memory checks need descriptors too
  {
    // No descriptor left for the next sheet's temporary file.
    struct rlimit old;
    ::getrlimit(RLIMIT_NOFILE, &old);
    const int next = ::dup(0);
    ::close(next);
    struct rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(next);
    ::setrlimit(RLIMIT_NOFILE, &low);
    EXPECT_EQ(xlsx->writeRecord(Strings{"lost", "x"}), -1);
    ::setrlimit(RLIMIT_NOFILE, &old);
  }
  reports = {"XLSXFormatFile::writefile: writen failed. fileName is " + dir.file("t.xlsx") + ". errno = 24."};
#endif
  for (const char* value : {"3", "4", "5"}) ASSERT_EQ(xlsx->writeRecord(Strings{value, "x"}), 0);
  ASSERT_EQ(xlsx->endDocument(), 0);
  EXPECT_EQ(capture.texts(), reports);
  const Strings titles = {hex("a"), hex("b")};
  EXPECT_EQ(readBack({dir.file("t.xlsx")}),
            head("Sheet1", "A1:B3", titles) + row({"31", "78"}) + row({"32", "78"}) + head("Sheet2", "A1:B3", titles) +
                row({"33", "78"}) + row({"34", "78"}) + head("Sheet3", "A1:B2", titles) + row({"35", "78"}));
}


// A CR counts as the one character a reader gets, not as its escape.
TEST(XlsxSafeText, CrsUpToTheCellLimitAreKeptWhole) {
  TempDir dir;
  TraceCapture capture;
  oryx::WriterOptions options;
  options.xmlSafeText = true;
  std::unique_ptr<FormatFile> xlsx(FormatFileFactory::getFormatFile("xlsx", {}, options));
  ASSERT_EQ(xlsx->writeColumnTitle({"v"}, {}), 0);
  ASSERT_EQ(xlsx->startDocument(dir.file("t.xlsx").c_str()), 0);
  ASSERT_EQ(xlsx->writeRecord(Strings{std::string(32767, '\r')}), 0);
  ASSERT_EQ(xlsx->endDocument(), 0);
  EXPECT_TRUE(capture.texts().empty());
  EXPECT_EQ(readBack({dir.file("t.xlsx")}), head("Sheet1", "A1:A2", {hex("v")}) + row({hex(std::string(32767, '\r'))}));
}
