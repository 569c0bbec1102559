// SPDX-License-Identifier: Apache-2.0
// The writer options, checked with independent readers (table_read.py's
// Python parsers, xlsx_read.py, xmllint) over one hostile table: every title
// and field must come back as the option promises.
#include "oryxutil/export/FormatFile.h"

#include "ReadBack.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using oryxtest::hexRows;
using oryxtest::readBack;
using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

const std::string kFffd = "\xEF\xBF\xBD";
const std::string kBom = "\xEF\xBB\xBF";

// A field, and what readers get back for it in the safe modes (empty: the
// field itself): an XML reader (xmlSafeText; a workbook reader gets the same),
// a strict HTML5 reader (escapeMarkup).
struct Hostile {
  std::string text, inSafeXml = "", inHtml = "";
};

// C0 but NUL; `kept` come back as they are (CR as `cr`), the rest as U+FFFD.
std::string controls(const std::string& kept = "", const char* cr = "\r") {
  std::string text;
  for (char c = 1; c < 0x20; ++c)
    text += c == '\r' ? cr : kept.empty() || kept.find(c) != std::string::npos ? std::string(1, c) : kFffd;
  return text;
}

const std::string kMalformed = "x\xC3(\xED\xA0\x80y\xFF\xF0\x9F\x98";
const std::string kMalformedBack = "x" + kFffd + "(" + kFffd + kFffd + kFffd + "y" + kFffd + kFffd;
const std::vector<Hostile> kFields = {
    {"say \"hi\", it's"},
    {"a<b & c>d"},
    {controls(), controls("\t\n\r"), controls("\t\n\f", "\n")},  // HTML reads CR as LF
    {"cr\rlf\ncrlf\r\nend", "", "cr\nlf\ncrlf\nend"},
    {kMalformed, kMalformedBack, kMalformedBack},
    {"del\x7F c1\xC2\x85 _x000D_ lit", "", "del" + kFffd + " c1" + kFffd + " _x000D_ lit"},
    {"<script>alert('x')</script>"},
    {"=SUM(A1)"},
    {"-5"},
    {"@cmd"},
    {"+1"},
    {"\tlead tab"},
    {"\rlead cr", "", "\nlead cr"},
    {" \n=1+1"},
    {" Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC "},
    {""},
};
const std::list<std::string> kTitles = {
    "last, first", "say \"x\"", "a<b&c>'", "tab\there", "line\nbreak", "c6",  "c7",  "c8",
    "c9",          "c10",       "c11",     "c12",       "c13",         "c14", "c15", "=1+1"};
const int kFiller = 300;  // ASCII records first: the non-ASCII text sits far into the file

oryx::WriterOptions with(bool oryx::WriterOptions::*option) {
  oryx::WriterOptions options;
  options.*option = true;
  return options;
}
const oryx::WriterOptions kSafeXml = with(&oryx::WriterOptions::xmlSafeText);

// The table's records, each field passed through `change`; with `titles`, the title row first.
template <typename Change>
std::vector<Strings> table(Change change, bool titles = true) {
  std::vector<Strings> all(1);
  for (const std::string& title : kTitles) all[0].push_back(change(title));
  if (!titles) all.clear();
  all.insert(all.end(), kFiller, Strings(kFields.size(), change("plain ascii")));
  all.emplace_back();
  for (const Hostile& field : kFields) all.back().push_back(change(field.text));
  all.push_back({change("")});
  return all;
}
const auto kSame = [](const std::string& text) { return text; };

// What a reader gets back for `text` in a safe mode.
std::string back(const std::string& text, std::string Hostile::*reader) {
  for (const Hostile& field : kFields)
    if (field.text == text && !(field.*reader).empty()) return field.*reader;
  return text;
}

bool startsLikeFormula(const std::string& text) {
  return !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos;
}

// The first `bytes.size()` bytes of `file`.
std::string start(const std::string& file, const std::string& bytes) {
  return readFile(file).substr(0, bytes.size());
}

class WriterOptionsTest : public ::testing::Test {
 protected:
  // Writes the hostile table; returns the file's name.
  std::string write(const char* type, const oryx::WriterOptions& options,
                    const std::list<std::string>& params = {}) {
    const std::string name = dir.file(std::string("t.") + type);
    auto writer = oryx::makeWriter(type, params, options);
    EXPECT_EQ(writer->writeColumnTitle(kTitles, {}), 0);
    EXPECT_EQ(writer->startDocument(name.c_str()), 0);
    for (const Strings& record : table(kSame, false)) EXPECT_EQ(writer->writeRecord(record), 0);
    EXPECT_EQ(writer->endDocument(), 0);
    return name;
  }

  oryxtest::TempDir dir;
  oryxtest::EnvGuard global{"ORYX_GLOBAL_VERSION", nullptr};  // UTF-8 content
  oryxtest::EnvGuard local{"FILECONTENT_LOCAL_CHARSET", nullptr};
};
using WriterOptionsReadBack = WriterOptionsTest;
using WriterOptionsByteOrderMark = WriterOptionsTest;

}  // namespace

// Quoted titles and guarded formulas: every other field comes back as the
// defaults write it (the independent read-back of the default records too).
TEST_F(WriterOptionsReadBack, CsvQuotedTitlesAndGuardedFormulasComeBack) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::formulaGuard);
  options.quoteTitles = true;
  const auto guarded = [](const std::string& text) { return startsLikeFormula(text) ? "'" + text : text; };
  EXPECT_EQ(readBack("table_read.py csv " + write("csv", options)), hexRows(table(guarded)));
}

// html5lib in strict mode fails on any parse error; a formula is guarded
// also behind the white space readers drop.
TEST_F(WriterOptionsReadBack, HtmlValidMarkupGivesEveryTextBackToAStrictReaderWithFormulasGuarded) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::escapeMarkup);
  options.declareCharset = options.formulaGuard = true;
  const auto html = [](const std::string& text) {
    const size_t at = text.find_first_not_of(" \t\n\f\r");
    const bool guard =
        startsLikeFormula(text) || (at != std::string::npos && startsLikeFormula(text.substr(at)));
    return (guard ? "'" : "") + back(text, &Hostile::inHtml);
  };
  const std::string page = write("html", options);
  EXPECT_EQ(readBack("table_read.py html " + page), hexRows(table(html)));
  const std::string head =
      "<!DOCTYPE html>\n<HTML>\n<HEAD>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
      "charset=UTF-8\">\n";
  EXPECT_EQ(start(page, head), head);
}

// A workbook reader (as a spreadsheet program shows _xHHHH_) gets CR, DEL,
// C1 and a literal escape back.
TEST_F(WriterOptionsReadBack, XlsxSafeTextGivesWhatXmlAllowsBack) {
  std::vector<Strings> expected =
      table([](const std::string& text) { return back(text, &Hostile::inSafeXml); });
  expected.pop_back();  // a row of empty cells is no row
  const std::string rows = readBack("xlsx_read.py full " + write("xlsx", kSafeXml));
  EXPECT_EQ(rows.substr(rows.find('\n') + 1), hexRows(expected));
}

TEST_F(WriterOptionsReadBack, XmlSafeTextIsWellFormedAndGivesEveryTextBackOrUFffd) {
  const std::string file = write("xml", kSafeXml, {"Ex\"<&>", "R'ow"});
  EXPECT_EQ(std::system(("xmllint --noout " + file).c_str()), 0);
  std::vector<Strings> expected =
      table([](const std::string& text) { return back(text, &Hostile::inSafeXml); });
  expected.back().resize(kTitles.size());  // every column element is there
  expected.insert(expected.begin(), {"Ex\"<&>", "R'ow"});
  EXPECT_EQ(readBack("table_read.py xml " + file), hexRows(expected));
  // A record with more fields than columns is refused before any of it is written.
  auto xml = oryx::makeWriter("xml", {"E", "R"}, kSafeXml);
  ASSERT_EQ(xml->writeColumnTitle({"c"}, {}), 0);
  ASSERT_EQ(xml->startDocument(file.c_str()), 0);
  EXPECT_EQ(xml->writeRecord(Strings{"a", "b"}), -1);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(std::system(("xmllint --noout " + file).c_str()), 0);
}

// In either content mode the bytes are in the declared encoding: xmllint
// takes the document, and converted back to UTF-8 every text is whole (a
// character the set lacks comes as a reference). A set that cannot be
// written is refused with a report, and no file is made.
TEST_F(WriterOptionsReadBack, XmlSafeTextIsInTheDeclaredEncodingInEitherContentMode) {
  const std::string utf8 = "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xE4\xB8\x82 \xF0\x9F\x98\x80 a<b\nc";
  // U+4E02 is GBK's, not GB2312's.
  const std::string gbk = "Z\xA8\xB9rich \xB6\xAB\xBE\xA9 \x81\x40 ? a<b\nc";
  for (const char* version : {"1", "0"}) {
    oryxtest::EnvGuard global("ORYX_GLOBAL_VERSION", version);
    const bool local = version[0] == '0';
    for (const std::string encoding : {"UTF-8", "ISO-8859-1", "GB2312"}) {
      SCOPED_TRACE(encoding + version);
      const std::string file = dir.file(encoding + version + ".xml"), back = file + ".utf8";
      auto xml = oryx::makeWriter("xml", {"E", "R"}, kSafeXml);
      ASSERT_EQ(xml->writeColumnTitle({local ? "\xA8\xA6" : "\xC3\xA9"}, {}), 0);
      ASSERT_EQ(xml->startDocument(file.c_str(), encoding.c_str()), 0);
      ASSERT_EQ(xml->writeRecord(Strings{local ? gbk : utf8}), 0);
      ASSERT_EQ(xml->endDocument(), 0);
      const std::string declaration = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>";
      EXPECT_EQ(start(file, declaration), declaration);
      ASSERT_EQ(std::system(("xmllint --encode UTF-8 " + file + " >" + back).c_str()), 0);
      const std::string text = local ? "Z\xC3\xBCrich \xE4\xB8\x9C\xE4\xBA\xAC \xE4\xB8\x82 ? a<b\nc" : utf8;
      EXPECT_EQ(readBack("table_read.py xml " + back), hexRows({{"E", "R"}, {"\xC3\xA9"}, {text}}));
    }
  }
  oryxtest::TraceCapture capture;
  auto xml = oryx::makeWriter("xml", {"E", "R"}, kSafeXml);
  ASSERT_EQ(xml->writeColumnTitle({"c"}, {}), 0);
  const std::string file = dir.file("refused.xml");
  for (const std::string encoding : {"NO-SUCH-SET", "UTF-16"}) {
    EXPECT_EQ(xml->startDocument(file.c_str(), encoding.c_str()), -1);
    const std::string report =
        "XMLFormatFile::startDocument: cannot write encoding " + encoding + ", file=" + file;
    EXPECT_EQ(capture.texts().back(), report + ".");
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

// UTF-8 content of every writer starts with one mark (an independent
// reader skips it); local content never does.
TEST_F(WriterOptionsByteOrderMark, OneMarkStartsUtf8ContentOfEveryWriterAndEveryPartNoneLocalContent) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::utf8Bom);
  options.declareCharset = options.xmlSafeText = true;
  for (const std::string type : {"csv", "html", "xml"}) {
    const std::string mark = kBom + (type == "csv" ? "l" : "<");
    EXPECT_EQ(start(write(type.c_str(), options, {"Export", "Row"}), mark), mark);
  }
  EXPECT_EQ(std::system(("xmllint --noout " + dir.file("t.xml")).c_str()), 0);
  EXPECT_EQ(readBack("table_read.py csv " + dir.file("t.csv")).substr(0, 9), "6c617374 ");  // "last"
  oryxtest::EnvGuard localContent("FILECONTENT_LOCAL_CHARSET", "1");
  const std::pair<const char*, char> firsts[] = {{"csv", 'l'}, {"xml", '<'}, {"txt", '*'}};
  for (const auto& [type, first] : firsts)
    EXPECT_EQ(readFile(write(type, options, {"Export", "Row"}))[0], first) << type;
  const std::string html =
      "<HTML>\n<HEAD>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GB2312\">\n";
  EXPECT_EQ(start(write("html", options), html), html);
}
