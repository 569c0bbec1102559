#include "oryxutil/export/FormatFile.h"

#include "support/RunCommand.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

const char kTail[] = "</TABLE>\n</BODY>\n</HTML>\n";

std::unique_ptr<FormatFile> makeHtml() {
  return std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("html", {"ignored"}));
}

std::string head(const std::string& width) {
  return "<HTML>\n<HEAD>\n<TITLE>\n\n</TITLE>\n<BODY>\n<CAPTION></CAPTION>\n<TABLE WIDTH=" + width +
         " BORDER=2 CELLSPACING=1 CELLPADDING=5>\n";
}

// The TABLE tag's WIDTH after the given writeColumnTitle calls.
std::string widthAfter(const std::vector<std::pair<std::list<std::string>, std::list<long>>>& calls) {
  TempDir dir;
  auto html = makeHtml();
  for (const auto& call : calls) html->writeColumnTitle(call.first, call.second);
  EXPECT_EQ(html->startDocument(dir.file("t.html").c_str()), 0);
  EXPECT_EQ(html->endDocument(), 0);
  const std::string page = readFile(dir.file("t.html"));
  const size_t at = page.find("WIDTH=") + 6;
  return page.substr(at, page.find(' ', at) - at);
}

}  // namespace

TEST(HtmlPage, WholePageByteForByte) {
  TempDir dir;
  auto html = makeHtml();
  ASSERT_EQ(html->writeColumnTitle({"Name", ""}, "GBK", {10, 20}), 0);
  ASSERT_EQ(html->startDocument(dir.file("t.html").c_str(), "ignored"), 0);
  ASSERT_EQ(html->writeRecord(Strings{"a<b&c", ""}), 0);
  ASSERT_EQ(html->writeRecord(std::list<std::string>{"two\nlines"}), 0);
  ASSERT_EQ(html->writeRecord(Strings{}), 0);
  ASSERT_EQ(html->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.html")),
            head("205") +
                "<TR>\n<TH ALIGN=left ALIGN=middle>Name</TH>\n<TH ALIGN=left ALIGN=middle><BR></TH>\n</TR>\n"
                "<TR>\n<TD ALIGN=left ALIGN=middle>a<b&c</TD>\n<TD><BR></TD>\n</TR>\n"
                "<TR>\n<TD ALIGN=left ALIGN=middle>two\nlines</TD>\n</TR>\n"
                "<TR>\n</TR>\n" + kTail);
}

TEST(HtmlPage, IndependentParserCountsHeaderAndDataCells) {
  TempDir dir;
  auto html = makeHtml();
  html->writeColumnTitle({"City", "Country", ""}, {12, 12, 30});
  ASSERT_EQ(html->startDocument(dir.file("t.html").c_str()), 0);
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
  int status = 0;
  EXPECT_EQ(oryxtest::runCommand("python3 " + dir.file("count.py") + " " + dir.file("t.html"), status),
            "3 3 6\n");
  EXPECT_EQ(status, 0);
}

TEST(HtmlWidth, WidthsAddUpInThirtyTwoBitsWithAnAllowanceOnlyWhenPositive) {
  EXPECT_EQ(widthAfter({{{"Name", "Size"}, {10, 20}}}), "205");
  EXPECT_EQ(widthAfter({{{"a", "b"}, {}}}), "0");
  EXPECT_EQ(widthAfter({{{"a"}, {3, -10}}}), "-35");
  // Calls with titles add up; an empty title list changes nothing.
  EXPECT_EQ(widthAfter({{{"a"}, {10}}, {{}, {100}}, {{"b", "c"}, {5}}}), "160");
  EXPECT_EQ(widthAfter({{{"a"}, {INT32_MAX}}}), "-2147483623");  // wraps like a 32-bit long
}

TEST(HtmlTitles, LaterTitlesReplaceTheRowAndAnEmptyListKeepsIt) {
  TempDir dir;
  TraceCapture capture;
  auto html = makeHtml();
  EXPECT_EQ(html->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(capture.texts(),
            Strings{"HTMLFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty"});
  ASSERT_EQ(html->writeColumnTitle({"old"}, {}), 0);
  ASSERT_EQ(html->writeColumnTitle({"new"}, {}), 0);
  EXPECT_EQ(html->writeColumnTitle({}, {}), 0);
  for (const char* name : {"1.html", "2.html"}) {
    ASSERT_EQ(html->startDocument(dir.file(name).c_str()), 0);
    ASSERT_EQ(html->endDocument(), 0);
    EXPECT_EQ(readFile(dir.file(name)), head("0") + "<TR>\n<TH ALIGN=left ALIGN=middle>new</TH>\n</TR>\n" + kTail);
  }
  EXPECT_EQ(capture.texts().size(), 1u);
}

TEST(HtmlStateMachine, WrongStatesAreReportedAndTheOpenPageStaysIntact) {
  TempDir dir;
  TraceCapture capture;
  auto html = makeHtml();
  html->writeColumnTitle({"t"}, {});
  EXPECT_EQ(html->writeRecord(Strings{"x"}), -1);
  EXPECT_EQ(html->endDocument(), -1);
  const std::string name = dir.file("t.html");
  ASSERT_EQ(html->startDocument(name.c_str()), 0);
  EXPECT_EQ(html->startDocument(dir.file("u.html").c_str()), -1);
  ASSERT_EQ(html->writeRecord(Strings{"r"}), 0);
  html.reset();  // destroyed while started: rows so far are kept, no tail is added
  EXPECT_EQ(capture.texts(), (Strings{"HTMLFormatFile::writefile: can't end because have not started.",
                                      "HTMLFormatFile::endDocument: can't end because have not started.",
                                      "HTMLFormatFile::startDocument: already start write."}));
  EXPECT_EQ(readFile(name), head("0") + "<TR>\n<TH ALIGN=left ALIGN=middle>t</TH>\n</TR>\n"
                                        "<TR>\n<TD ALIGN=left ALIGN=middle>r</TD>\n</TR>\n");
}

TEST(HtmlReports, NullNameMissingDirectoryAndFullDisk) {
  TraceCapture capture;
  auto html = makeHtml();
  html->writeColumnTitle({"t"}, {});
  EXPECT_EQ(html->startDocument(nullptr), -1);
  EXPECT_EQ(html->startDocument("/no/such/dir/t.html"), -1);
  EXPECT_EQ(html->startDocument("/dev/full"), -1);
  EXPECT_EQ(html->writeRecord(Strings{"x"}), -1);  // none of them started
  EXPECT_EQ(capture.texts(),
            (Strings{"HTMLFormatFile::startDocument:fileName is NULL",
                     "HTMLFormatFile::startDocument: open file failed. fileName is /no/such/dir/t.html, errno=2.",
                     "HTMLFormatFile::startDocument: write columntitle failed. fileName is /dev/full, errno=28.",
                     "HTMLFormatFile::writefile: can't end because have not started."}));
}

TEST(HtmlFactory, AnyCaseAndAnyParameters) {
  for (const char* type : {"html", "HTML", "Html"}) {
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type, {}));
    EXPECT_NE(writer, nullptr) << type;
  }
  EXPECT_EQ(FormatFileFactory::getFormatFile("htm", {}), nullptr);
  EXPECT_EQ(FormatFileFactory::getFormatFile(" html", {}), nullptr);
}
