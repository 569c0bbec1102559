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

TEST_F(HtmlPage, WholePageByteForByte) {
  ASSERT_EQ(html->writeColumnTitle({"Name", ""}, "GBK", {10, 20}), 0);
  ASSERT_EQ(html->startDocument(name.c_str(), "ignored"), 0);
  ASSERT_EQ(html->writeRecord(Strings{"a<b&c", ""}), 0);
  ASSERT_EQ(html->writeRecord(std::list<std::string>{"two\nlines"}), 0);
  ASSERT_EQ(html->writeRecord(Strings{}), 0);
  ASSERT_EQ(html->endDocument(), 0);
  EXPECT_EQ(readFile(name),
            head("205") +
                "<TR>\n<TH ALIGN=left ALIGN=middle>Name</TH>\n<TH ALIGN=left ALIGN=middle><BR></TH>\n</TR>\n"
                "<TR>\n<TD ALIGN=left ALIGN=middle>a<b&c</TD>\n<TD><BR></TD>\n</TR>\n"
                "<TR>\n<TD ALIGN=left ALIGN=middle>two\nlines</TD>\n</TR>\n"
                "<TR>\n</TR>\n" + kTail);
}

TEST_F(HtmlPage, IndependentParserCountsRowsHeaderCellsAndDataCells) {
  html->writeColumnTitle({"City", "Country", ""}, {12, 12, 30});
  ASSERT_EQ(html->startDocument(name.c_str()), 0);
  ASSERT_EQ(html->writeRecord(Strings{"Z\xC3\xBCrich", "Schweiz", ""}), 0);
  ASSERT_EQ(html->writeRecord(Strings{"\xE6\x9D\xB1\xE4\xBA\xAC", "", "two\nlines"}), 0);
  ASSERT_EQ(html->endDocument(), 0);
  oryxtest::writeFile(dir.file("count.py"),
                      "import sys, html.parser, collections\n"
                      "n = collections.Counter()\n"
                      "class P(html.parser.HTMLParser):\n"
                      "    def handle_starttag(self, tag, attrs): n[tag] += 1\n"
                      "P().feed(open(sys.argv[1], encoding='utf-8').read())\n"
                      "print(n['tr'], n['th'], n['td'])\n");
  ASSERT_EQ(std::system(("python3 " + dir.file("count.py") + " " + name + " >" + dir.file("out")).c_str()), 0);
  EXPECT_EQ(readFile(dir.file("out")), "3 3 6\n");
}

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

TEST_F(HtmlPage, LaterTitlesReplaceTheRowAndAnEmptyListKeepsIt) {
  EXPECT_EQ(html->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(capture.texts(),
            Strings{"HTMLFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty"});
  ASSERT_EQ(html->writeColumnTitle({"old"}, {}), 0);
  ASSERT_EQ(html->writeColumnTitle({"new"}, {}), 0);
  EXPECT_EQ(html->writeColumnTitle({}, {}), 0);
  for (int run = 0; run < 2; ++run) {  // a restarted writer writes the same head
    ASSERT_EQ(html->startDocument(name.c_str()), 0);
    ASSERT_EQ(html->endDocument(), 0);
    EXPECT_EQ(readFile(name), head("0") + "<TR>\n<TH ALIGN=left ALIGN=middle>new</TH>\n</TR>\n" + kTail);
  }
  EXPECT_EQ(capture.texts().size(), 1u);
}

TEST_F(HtmlStateMachine, WrongStatesAndBadNamesAreReportedAndTheOpenPageStaysIntact) {
  html->writeColumnTitle({"t"}, {});
  EXPECT_EQ(html->endDocument(), -1);
  EXPECT_EQ(html->startDocument(nullptr), -1);
  EXPECT_EQ(html->startDocument("/no/such/dir/t.html"), -1);
  EXPECT_EQ(html->startDocument("/dev/full"), -1);
  EXPECT_EQ(html->writeRecord(Strings{"x"}), -1);  // none of them started
  ASSERT_EQ(html->startDocument(name.c_str()), 0);
  EXPECT_EQ(html->startDocument(dir.file("u.html").c_str()), -1);
  ASSERT_EQ(html->writeRecord(Strings{"r"}), 0);
  html.reset();  // destroyed while started: rows so far are kept, no tail is added
  EXPECT_EQ(capture.texts(),
            (Strings{"HTMLFormatFile::endDocument: can't end because have not started.",
                     "HTMLFormatFile::startDocument:fileName is NULL",
                     "HTMLFormatFile::startDocument: open file failed. fileName is /no/such/dir/t.html, errno=2.",
                     "HTMLFormatFile::startDocument: write columntitle failed. fileName is /dev/full, errno=28.",
                     "HTMLFormatFile::writefile: can't end because have not started.",
                     "HTMLFormatFile::startDocument: already start write."}));
  EXPECT_EQ(readFile(name), head("0") + "<TR>\n<TH ALIGN=left ALIGN=middle>t</TH>\n</TR>\n"
                                        "<TR>\n<TD ALIGN=left ALIGN=middle>r</TD>\n</TR>\n");
}

TEST_F(HtmlReports, DiskFillingUpMidPageFailsRowsAndTheEnd) {
  html->writeColumnTitle({"t"}, {});
  ASSERT_EQ(html->startDocument(name.c_str()), 0);
  oryxtest::FileSizeLimit limit(4096);
  long result = 0;
  for (int i = 0; i < 5000 && result == 0; ++i) result = html->writeRecord(Strings{std::string(1000, 'x')});
  EXPECT_EQ(result, -1);  // rows reach the disk in large writes, so a later one fails
  EXPECT_EQ(html->endDocument(), -1);
  const Strings texts = capture.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "HTMLFormatFile::writefile: writen failed. fileName is " + name + ". errno = 27");
  EXPECT_EQ(texts[1].rfind("HTMLFormatFile::endDocument: writen failed. fileName is " + name + ". errno = ", 0), 0u);
}
