// SPDX-License-Identifier: Apache-2.0
// The workbook writer, read back by an independent reader (openpyxl through
// xlsx_read.py, which prints each sheet's head and each cell as hex).
#include "oryxutil/export/FormatFile.h"

#include "ReadBack.h"
#include "export/xlsx/XLSXFormatFile.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <clocale>
#include <memory>

using oryxtest::hex;
using oryxtest::row;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

const std::string kR = "efbfbd";  // U+FFFD

// The books as the reader prints them, one after another (one interpreter
// start: it costs a second).
std::string readBack(const Strings& books) {
  std::string reader = "xlsx_read.py full";
  for (const std::string& book : books) reader += " " + book;
  return oryxtest::readBack(reader);
}

// A sheet's head line and title row as the reader prints them.
std::string head(const std::string& sheet, const std::string& filter, const Strings& titles,
                 const std::string& widths = "") {
  return "sheet " + sheet + " freeze=A2 filter=" + filter + " bold=True widths=" + widths + "\n" +
         row(titles);
}

// One workbook of `records` under `titles` (a workbook is UTF-8, whatever encoding is named).
void writeBook(const std::string& name, const oryx::WriterOptions& options,
               const std::list<std::string>& titles, const std::list<long>& widths,
               const std::vector<Strings>& records) {
  std::unique_ptr<FormatFile> xlsx(FormatFileFactory::getFormatFile("xlsx", {}, options));
  ASSERT_EQ(xlsx->writeColumnTitle(titles, "any name", widths), 0);
  ASSERT_EQ(xlsx->startDocument(name.c_str()), 0);
  for (const Strings& record : records) ASSERT_EQ(xlsx->writeRecord(record), 0);
  ASSERT_EQ(xlsx->endDocument(), 0);
}

}  // namespace

// Safe text counts a CR as the one character a reader gets, not as its
// escape: CRs up to the cell limit are kept whole.
TEST(XlsxReadBack, EveryCellEqualsTheInputRepairedOrCutWhereAWorkbookCannotHoldIt) {
  TempDir dir;
  TraceCapture capture;
  const std::string name = dir.file("t.xlsx"), safe = dir.file("safe.xlsx"), crs(32767, '\r');
  const std::string a32767(32767, 'a'), b32766(32766, 'b');
  const std::vector<Strings> records = {
      {"1", "with \"quotes\", commas", "line\nfeed\tand tab"},
      {"2", "", "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80"},
      {"3", std::string(40000, 'a'), b32766 + "\xF0\x9F\x98\x80"},  // both cut, one report
      {"4", "bad \xC3 utf8 \xED\xA0\x80 \xFF", std::string("a\x01\x62\rc\0d\x7F\xC2\x85", 10)},
      {"5", "_x0041_ stays", "  blanks  "},
      {"6"},
      {}};
  writeBook(name, {}, {"id", "text", "more"}, {8, 300, -1}, records);
  oryx::WriterOptions safeText;
  safeText.xmlSafeText = true;
  writeBook(safe, safeText, {"v"}, {}, {{crs}});
  EXPECT_EQ(capture.texts(),
            Strings{"XLSXFormatFile::writefile: field cut to 32767 characters. fileName is " + name + "."});
  EXPECT_EQ(readBack({name, safe}),
            head("Sheet1", "A1:C7", {hex("id"), hex("text"), hex("more")}, "A:8,B:255") +
                row({hex("1"), hex(records[0][1]), hex(records[0][2])}) +
                row({hex("2"), "-", hex(records[1][2])}) + row({hex("3"), hex(a32767), hex(b32766)}) +
                row({hex("4"), hex("bad ") + kR + hex(" utf8 ") + kR + kR + kR + hex(" ") + kR,
                     "61" + kR + "62" + kR + "63" + kR + "64" + kR + kR}) +
                row({hex("5"), hex("_x0041_ stays"), hex("  blanks  ")}) + row({hex("6"), "-", "-"}) +
                head("Sheet1", "A1:A2", {hex("v")}) + row({hex(crs)}));
}

TEST(XlsxNumbers, NumericCellsOnlyForPlainDecimalsAndOnlyWhenAsked) {
  // Plain decimals and what the reader shows for them; then texts that stay text.
  const Strings numbers = {"0", "42", "-17", "3.25", "0.001", "1.50", "123456789012345"};
  const Strings shown = {"n:0.0", "n:42.0", "n:-17.0", "n:3.25", "n:0.001", "n:1.5", "n:123456789012345.0"};
  const Strings texts = {
      "1234567890123456", "007", "1e5", "+5", ".5", "5.", "1 ", "1,5", "-0", "-", "1.2.3", "0x10"};
  TempDir dir;
  // Numbers are written alike in a locale with a decimal comma (when one can be built here).
  oryxtest::EnvGuard path("LOCPATH", dir.path().c_str());
  const std::string build = "localedef -i de_DE -f UTF-8 " + dir.file("de_DE.UTF-8") + " 2>/dev/null";
  const bool comma = std::system(build.c_str()) == 0 && ::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  std::string expected;
  std::vector<Strings> records;
  for (const std::string& value : numbers) records.push_back({value});
  for (const std::string& value : texts) records.push_back({value});
  for (const bool numeric : {true, false}) {
    oryx::WriterOptions options;
    options.numericCells = numeric;
    writeBook(dir.file(numeric ? "n.xlsx" : "s.xlsx"), options, {"v"}, {}, records);
    expected += head("Sheet1", "A1:A20", {hex("v")});
    for (size_t i = 0; i < records.size(); ++i)
      expected += row({numeric && i < shown.size() ? shown[i] : hex(records[i][0])});
  }
  ::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(readBack({dir.file("n.xlsx"), dir.file("s.xlsx")}), expected)
      << "decimal comma locale: " << comma;
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
  const std::string x = " 78\n";
  EXPECT_EQ(readBack({dir.file("t.xlsx")}), head("Sheet1", "A1:B3", titles) + "31" + x + "32" + x +
                                                head("Sheet2", "A1:B3", titles) + "33" + x + "34" + x +
                                                head("Sheet3", "A1:B2", titles) + "35" + x);
}
