// SPDX-License-Identifier: Apache-2.0
// The writer options, checked with independent readers (table_read.py's
// Python parsers, xmllint) over one hostile table: every title
// and field must come back as the option promises.
#include "oryxutil/export/FormatFile.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

const std::string kFffd = "\xEF\xBF\xBD";
const std::string kBom = "\xEF\xBB\xBF";

// A field, and what readers get back for it in the safe modes (empty: the
// field itself): an XML reader (xmlSafeText; a workbook reader gets the same),
// a strict HTML5 reader (escapeMarkup).
struct Hostile {
  std::string text;
  std::string inSafeXml;
  std::string inHtml;
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
    {"say \"hi\", it's", "", ""},
    {"a<b & c>d", "", ""},
    {controls(), controls("\t\n\r"), controls("\t\n\f", "\n")},  // HTML reads CR as LF
    {"cr\rlf\ncrlf\r\nend", "", "cr\nlf\ncrlf\nend"},
    {kMalformed, kMalformedBack, kMalformedBack},
    {"del\x7F c1\xC2\x85 _x000D_ lit", "", "del" + kFffd + " c1" + kFffd + " _x000D_ lit"},
    {"<script>alert('x')</script>", "", ""},
    {"=SUM(A1)", "", ""}, {"-5", "", ""}, {"@cmd", "", ""}, {"+1", "", ""}, {"\tlead tab", "", ""},
    {"\rlead cr", "", "\nlead cr"}, {" \n=1+1", "", ""},
    {" Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC ", "", ""},
    {"", "", ""},
};
const std::list<std::string> kTitles = {"last, first", "say \"x\"", "a<b&c>'", "tab\there", "line\nbreak", "c6", "c7",
                                        "c8", "c9", "c10", "c11", "c12", "c13", "c14", "c15", "=1+1"};
const int kFiller = 300;  // ASCII records first: the non-ASCII text sits far into the file

// The table's records, each field passed through `change`.
template <typename Change>
std::vector<Strings> records(Change change) {
  std::vector<Strings> all(kFiller, Strings(kFields.size(), change("plain ascii")));
  Strings hostile;
  for (const Hostile& field : kFields) hostile.push_back(change(field.text));
  all.push_back(hostile);
  all.push_back({change("")});
  return all;
}

// Values as the reader scripts print them: hex, "-" for an empty one, one row a line.
std::string hexRows(const std::vector<Strings>& rows) {
  std::string out;
  for (const Strings& row : rows) {
    for (const std::string& value : row) {
      if (value.empty()) out += '-';
      for (unsigned char c : value) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
      out += ' ';
    }
    if (!row.empty()) out.pop_back();
    out += '\n';
  }
  return out;
}

class WriterOptionsTest : public ::testing::Test {
 protected:
  // Writes the hostile table; returns the file's name.
  std::string write(const char* type, const oryx::WriterOptions& options, const std::list<std::string>& params = {}) {
    const std::string name = dir.file(std::string("t.") + type);
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type, params, options));
    EXPECT_EQ(writer->writeColumnTitle(kTitles, {}), 0);
    EXPECT_EQ(writer->startDocument(name.c_str()), 0);
    for (const Strings& record : records([](const std::string& text) { return text; }))
      EXPECT_EQ(writer->writeRecord(record), 0);
    EXPECT_EQ(writer->endDocument(), 0);
    return name;
  }
  // What the independent reader (table_read.py, or `script`) prints for the file.
  std::string read(const std::string& format, const std::string& file, const char* script = "table_read.py") {
    const std::string out = dir.file("out");
    EXPECT_EQ(std::system(("/usr/bin/python3 " ORYX_SOURCE_DIR "/tests/export/" + std::string(script) + " " + format +
                           " " + file + " >" + out).c_str()), 0);
    return readFile(out);
  }

  oryxtest::TempDir dir;
  oryxtest::EnvGuard global{"ORYX_GLOBAL_VERSION", nullptr};  // UTF-8 content
  oryxtest::EnvGuard local{"FILECONTENT_LOCAL_CHARSET", nullptr};
};
using WriterOptionsReadBack = WriterOptionsTest;
using WriterOptionsByteOrderMark = WriterOptionsTest;

oryx::WriterOptions with(bool oryx::WriterOptions::*option) {
  oryx::WriterOptions options;
  options.*option = true;
  return options;
}

// What a reader gets back for `text` in a safe mode.
std::string back(const std::string& text, std::string Hostile::*reader) {
  for (const Hostile& field : kFields)
    if (field.text == text && !(field.*reader).empty()) return field.*reader;
  return text;
}

bool startsLikeFormula(const std::string& text) {
  return !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos;
}

// The title row and the hostile records as a reader gets them.
template <typename Change>
std::vector<Strings> table(Change change) {
  std::vector<Strings> rows = records(change);
  rows.insert(rows.begin(), Strings());
  for (const std::string& title : kTitles) rows[0].push_back(change(title));
  return rows;
}

}  // namespace

// Quoted titles and guarded formulas: every other field comes back as the
// defaults write it (the independent read-back of the default records too).
TEST_F(WriterOptionsReadBack, CsvQuotedTitlesAndGuardedFormulasComeBack) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::formulaGuard);
  options.quoteTitles = true;
  const auto guarded = [](const std::string& text) { return startsLikeFormula(text) ? "'" + text : text; };
  EXPECT_EQ(read("csv", write("csv", options)), hexRows(table(guarded)));
}

// html5lib in strict mode fails on any parse error; a formula is guarded
// also behind the white space readers drop.
TEST_F(WriterOptionsReadBack, HtmlValidMarkupGivesEveryTextBackToAStrictReaderWithFormulasGuarded) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::escapeMarkup);
  options.declareCharset = options.formulaGuard = true;
  const auto html = [](const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\n\f\r");
    const bool guard = startsLikeFormula(text) || (start != std::string::npos && startsLikeFormula(text.substr(start)));
    return (guard ? "'" : "") + back(text, &Hostile::inHtml);
  };
  const std::string page = write("html", options);
  EXPECT_EQ(read("html", page), hexRows(table(html)));
  EXPECT_EQ(readFile(page).rfind("<!DOCTYPE html>\n<HTML>\n<HEAD>\n<META HTTP-EQUIV=\"Content-Type\" "
                                 "CONTENT=\"text/html; charset=UTF-8\">\n", 0), 0u);
}

// A workbook reader (as a spreadsheet program shows _xHHHH_) gets CR, DEL,
// C1 and a literal escape back.
TEST_F(WriterOptionsReadBack, XlsxSafeTextGivesWhatXmlAllowsBack) {
  std::vector<Strings> expected = table([](const std::string& text) { return back(text, &Hostile::inSafeXml); });
  expected.pop_back();  // a row of empty cells is no row
  const std::string rows = read("full", write("xlsx", with(&oryx::WriterOptions::xmlSafeText)), "xlsx_read.py");
  EXPECT_EQ(rows.substr(rows.find('\n') + 1), hexRows(expected));
}

TEST_F(WriterOptionsReadBack, XmlSafeTextIsWellFormedAndGivesEveryTextBackOrUFffd) {
  const std::string file = write("xml", with(&oryx::WriterOptions::xmlSafeText), {"Ex\"<&>", "R'ow"});
  EXPECT_EQ(std::system(("xmllint --noout " + file).c_str()), 0);
  std::vector<Strings> expected = table([](const std::string& text) { return back(text, &Hostile::inSafeXml); });
  expected.back().resize(kTitles.size());  // every column element is there
  expected.insert(expected.begin(), {"Ex\"<&>", "R'ow"});
  EXPECT_EQ(read("xml", file), hexRows(expected));
  // A record with more fields than columns is refused before any of it is written.
  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"E", "R"}, with(&oryx::WriterOptions::xmlSafeText)));
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
  const std::string gbk = "Z\xA8\xB9rich \xB6\xAB\xBE\xA9 \x81\x40 ? a<b\nc";  // U+4E02 is GBK's, not GB2312's
  for (const char* version : {"1", "0"}) {
    oryxtest::EnvGuard global("ORYX_GLOBAL_VERSION", version);
    const bool local = version[0] == '0';
    for (const std::string encoding : {"UTF-8", "ISO-8859-1", "GB2312"}) {
      const std::string file = dir.file(encoding + version + ".xml"), back = file + ".utf8";
      std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"E", "R"}, with(&oryx::WriterOptions::xmlSafeText)));
      ASSERT_EQ(xml->writeColumnTitle({local ? "\xA8\xA6" : "\xC3\xA9"}, {}), 0);
      ASSERT_EQ(xml->startDocument(file.c_str(), encoding.c_str()), 0);
      ASSERT_EQ(xml->writeRecord(Strings{local ? gbk : utf8}), 0);
      ASSERT_EQ(xml->endDocument(), 0);
      EXPECT_EQ(readFile(file).rfind("<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>", 0), 0u);
      ASSERT_EQ(std::system(("xmllint --encode UTF-8 " + file + " >" + back).c_str()), 0) << encoding << version;
      const std::string text = local ? "Z\xC3\xBCrich \xE4\xB8\x9C\xE4\xBA\xAC \xE4\xB8\x82 ? a<b\nc" : utf8;
      EXPECT_EQ(read("xml", back), hexRows({{"E", "R"}, {"\xC3\xA9"}, {text}})) << encoding << version;
    }
  }
  oryxtest::TraceCapture capture;
  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"E", "R"}, with(&oryx::WriterOptions::xmlSafeText)));
  ASSERT_EQ(xml->writeColumnTitle({"c"}, {}), 0);
  const std::string file = dir.file("refused.xml");
  for (const char* encoding : {"NO-SUCH-SET", "UTF-16"}) {
    EXPECT_EQ(xml->startDocument(file.c_str(), encoding), -1);
    EXPECT_EQ(capture.texts().back(),
              "XMLFormatFile::startDocument: cannot write encoding " + std::string(encoding) + ", file=" + file + ".");
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(WriterOptionsByteOrderMark, OneMarkStartsUtf8ContentOfEveryWriterAndEveryPartNoneLocalContent) {
  const oryx::WriterOptions bom = with(&oryx::WriterOptions::utf8Bom);
  EXPECT_EQ(readFile(write("csv", bom)).substr(0, 4), kBom + "l");
  EXPECT_EQ(readFile(write("html", bom)).substr(0, 4), kBom + "<");
  oryx::WriterOptions safeBom = bom;
  safeBom.xmlSafeText = true;
  const std::string xml = write("xml", safeBom, {"Export", "Row"});
  EXPECT_EQ(readFile(xml).substr(0, 4), kBom + "<");
  EXPECT_EQ(std::system(("xmllint --noout " + xml).c_str()), 0);
  EXPECT_EQ(read("csv", write("csv", bom)).rfind("6c617374 ", 0), 0u);  // "last", without the mark

  oryxtest::EnvGuard localContent("FILECONTENT_LOCAL_CHARSET", "1");
  oryx::WriterOptions all = bom;
  all.declareCharset = all.xmlSafeText = true;
  EXPECT_EQ(readFile(write("csv", all))[0], 'l');
  EXPECT_EQ(readFile(write("html", all)).rfind("<HTML>\n<HEAD>\n<META HTTP-EQUIV=\"Content-Type\" "
                                               "CONTENT=\"text/html; charset=GB2312\">\n", 0), 0u);
  EXPECT_EQ(readFile(write("xml", all, {"Export", "Row"}))[0], '<');
  std::unique_ptr<FormatFile> txt(FormatFileFactory::getFormatFile("txt", {}, bom));
  ASSERT_EQ(txt->writeColumnTitle({"t"}, "GBK", {}), 0);
  ASSERT_EQ(txt->startDocument(dir.file("g.txt").c_str()), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("g.txt"))[0], '*');
}

