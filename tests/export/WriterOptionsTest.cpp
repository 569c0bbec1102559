// SPDX-License-Identifier: Apache-2.0
// The writer options, checked with independent readers (table_read.py's
// Python parsers, xmllint) over one hostile table: every title
// and field must come back as the option promises.
#include "oryxutil/export/FormatFile.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

const std::string kFffd = "\xEF\xBF\xBD";
const std::string kBom = "\xEF\xBB\xBF";

// A field, and what an XML reader gets back for it with xmlSafeText (empty: the field itself).
struct Hostile {
  std::string text;
  std::string inSafeXml;
};

std::string controls() {
  std::string text;
  for (char c = 1; c < 0x20; ++c) text += c;
  return text;
}
std::string controlsInSafeXml() {
  std::string text;
  for (char c = 1; c < 0x20; ++c) text += c == '\t' || c == '\r' ? std::string(1, c) : c == '\n' ? "\n\x7F" : kFffd;
  return text;
}

const std::vector<Hostile> kFields = {
    {"say \"hi\", it's", ""},
    {"a<b & c>d", ""},
    {controls(), controlsInSafeXml()},
    {"cr\rlf\ncrlf\r\nend", "cr\rlf\n\x7F" "crlf\r\n\x7F" "end"},
    {"x\xC3(\xED\xA0\x80y\xFF\xF0\x9F\x98", "x" + kFffd + "(" + kFffd + kFffd + kFffd + "y" + kFffd + kFffd},
    {"<script>alert('x')</script>", ""},
    {"=SUM(A1)", ""}, {"-5", ""}, {"@cmd", ""}, {"+1", ""}, {"\tlead tab", ""}, {"\rlead cr", ""},
    {" Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC ", ""},
    {"", ""},
};
const std::list<std::string> kTitles = {"last, first", "say \"x\"", "a<b&c>'", "tab\there", "line\nbreak", "c6", "c7",
                                        "c8", "c9", "c10", "c11", "c12", "c13", "c14"};
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
  // What the independent reader (table_read.py) prints for the file.
  std::string read(const std::string& format, const std::string& file) {
    const std::string out = dir.file("out");
    EXPECT_EQ(std::system(("/usr/bin/python3 " ORYX_SOURCE_DIR "/tests/export/table_read.py " + format + " " + file +
                           " >" + out).c_str()), 0);
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

std::string same(const std::string& text) { return text; }

}  // namespace

// Quoted titles and guarded formulas: every other field comes back as the
// defaults write it (the independent read-back of the default records too).
TEST_F(WriterOptionsReadBack, CsvQuotedTitlesAndGuardedFormulasComeBack) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::formulaGuard);
  options.quoteTitles = true;
  std::vector<Strings> expected = {Strings(kTitles.begin(), kTitles.end())};
  for (const Strings& record : records([](const std::string& text) {
         return !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos ? "'" + text : text;
       }))
    expected.push_back(record);
  EXPECT_EQ(read("csv", write("csv", options)), hexRows(expected));
}

TEST_F(WriterOptionsReadBack, HtmlEscapedMarkupAndDeclaredCharsetGiveEveryTextBack) {
  oryx::WriterOptions options = with(&oryx::WriterOptions::escapeMarkup);
  options.declareCharset = true;
  std::vector<Strings> expected = {Strings(kTitles.begin(), kTitles.end())};
  for (const Strings& record : records(same)) expected.push_back(record);
  const std::string page = write("html", options);
  EXPECT_EQ(read("html", page), hexRows(expected));
  EXPECT_NE(readFile(page).find("<HEAD>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"),
            std::string::npos);
}

TEST_F(WriterOptionsReadBack, XmlSafeTextIsWellFormedAndGivesEveryTextBackOrUFffd) {
  const std::string file = write("xml", with(&oryx::WriterOptions::xmlSafeText), {"Ex\"<&>", "R'ow"});
  EXPECT_EQ(std::system(("xmllint --noout " + file).c_str()), 0);
  std::vector<Strings> expected = {{"Ex\"<&>", "R'ow"}, Strings(kTitles.begin(), kTitles.end())};
  for (const Strings& record : records([](const std::string& text) {
         for (const Hostile& field : kFields)
           if (field.text == text && !field.inSafeXml.empty()) return field.inSafeXml;
         return text;
       })) {
    expected.push_back(record);
    expected.back().resize(kTitles.size());
  }
  EXPECT_EQ(read("xml", file), hexRows(expected));
  // A record with more fields than columns is refused before any of it is written.
  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"E", "R"}, with(&oryx::WriterOptions::xmlSafeText)));
  ASSERT_EQ(xml->writeColumnTitle({"c"}, {}), 0);
  ASSERT_EQ(xml->startDocument(file.c_str()), 0);
  EXPECT_EQ(xml->writeRecord(Strings{"a", "b"}), -1);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(std::system(("xmllint --noout " + file).c_str()), 0);
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
  const std::string local = readFile(write("xml", all, {"Export", "Row"}));
  EXPECT_EQ(local.rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n", 0), 0u);
  EXPECT_NE(local.find(">&#xFFFD;&#xFFFD;"), std::string::npos);  // control bytes, by reference
  std::unique_ptr<FormatFile> txt(FormatFileFactory::getFormatFile("txt", {}, bom));
  ASSERT_EQ(txt->writeColumnTitle({"t"}, "GBK", {}), 0);
  ASSERT_EQ(txt->startDocument(dir.file("g.txt").c_str()), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("g.txt"))[0], '*');
}

