// SPDX-License-Identifier: Apache-2.0
// What the HTML and XML writers do beyond the writer contract: HTML escaping
// at every length and place, the table width's legacy arithmetic, and the
// XML writer's title rules, extra fields and fields longer than its buffer.
#include "oryxutil/export/FormatFile.h"

#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

// One document: the calls' titles and widths, then the records; the file's bytes.
std::string page(const char* type, const std::list<std::string>& params, const oryx::WriterOptions& options,
                 const std::vector<std::pair<std::list<std::string>, std::list<long>>>& titles,
                 const std::vector<Strings>& records) {
  oryxtest::TempDir dir;
  std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type, params, options));
  for (const auto& call : titles) writer->writeColumnTitle(call.first, call.second);
  EXPECT_EQ(writer->startDocument(dir.file("t").c_str()), 0);
  for (const Strings& record : records) EXPECT_EQ(writer->writeRecord(record), 0);
  EXPECT_EQ(writer->endDocument(), 0);
  return readFile(dir.file("t"));
}

std::string htmlWidth(const std::vector<std::pair<std::list<std::string>, std::list<long>>>& titles) {
  const std::string bytes = page("html", {}, {}, titles, {});
  const size_t at = bytes.find("WIDTH=") + 6;
  return bytes.substr(at, bytes.find(' ', at) - at);
}

const std::string kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ExportFileInfo name=\"Export\">\n";
std::string xmlRow(const std::string& columns) { return "<Record name=\"Row\">\n" + columns + "\n</Record>\n"; }

}  // namespace

// Cells against a byte-at-a-time replacement, escaped and as they are: every
// length up to 40 with specials at each place among bytes one bit away from
// them (and zero bytes, which valid markup writes as U+FFFD), and a field
// longer than one escaping piece.
TEST(HtmlCells, EqualAByteAtATimeReplacementAtEveryLengthAndPlace) {
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
    std::string rows = "<TR>\n";
    for (const std::string& field : fields) {
      rows += escape ? "<TD ALIGN=left VALIGN=middle>" : "<TD ALIGN=left ALIGN=middle>";
      for (char c : field) {
        rows += !escape ? std::string(1, c) : c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;"
                        : c == '"' ? "&quot;" : c == '\0' ? "&#xFFFD;" : std::string(1, c);
      }
      rows += "</TD>\n";
    }
    const std::string bytes = page("html", {}, options, {}, {fields});
    EXPECT_EQ(bytes.substr(bytes.find("<TR>")), rows + "</TR>\n</TABLE>\n</BODY>\n</HTML>\n") << "escaped: " << escape;
  }
}

TEST(HtmlTable, WidthsAddUpInThirtyTwoBitsWithAnAllowanceOnlyWhenPositive) {
  EXPECT_EQ(htmlWidth({{{"a", "b"}, {}}}), "0");
  EXPECT_EQ(htmlWidth({{{"a"}, {3, -10}}}), "-35");
  // Calls with titles add up; an empty title list changes nothing.
  EXPECT_EQ(htmlWidth({{{"a"}, {10}}, {{}, {100}}, {{"b", "c"}, {5}}}), "160");
  EXPECT_EQ(htmlWidth({{{"a"}, {INT32_MAX}}}), "-2147483623");  // wraps like a 32-bit long
}

// Titles are refused, silently, when empty or naming the document or record;
// only the first accepted list counts, across restarts.
TEST(XmlTitles, OnlyTheFirstAcceptedListCountsAndRefusalsAreSilent) {
  oryxtest::TraceCapture capture;
  EXPECT_EQ(page("xml", {"Export", "Row"}, {}, {{{}, {}}, {{"a", "Row"}, {}}, {{"Export"}, {}}, {{"first"}, {}},
                                                {{"second", "third"}, {}}}, {{"v"}}),
            kXmlHead + xmlRow("<column name=\"first\">v</column>") + "</ExportFileInfo>\n");
  EXPECT_TRUE(capture.texts().empty());
}

TEST(XmlRecords, ExtraFieldsLeaveTheRecordOpenAndLongFieldsAreWrittenWhole) {
  oryxtest::TempDir dir;
  oryxtest::TraceCapture capture;
  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"Export", "Row"}));
  ASSERT_EQ(xml->writeColumnTitle({"id", "name"}, {}), 0);
  ASSERT_EQ(xml->startDocument(dir.file("t").c_str(), "UTF-8"), 0);
  EXPECT_EQ(xml->writeRecord(Strings{"1", "", "extra"}), -1);
  EXPECT_EQ(capture.texts(), Strings{"more than 2 record columns."});
  std::string field, escaped;
  for (int i = 0; i < 40000; ++i) field += "ab<\n", escaped += "ab&lt;\n\x7F";  // past the output buffer
  ASSERT_EQ(xml->writeRecord(Strings{"2", field}), 0);
  ASSERT_EQ(xml->endDocument(), 0);
  // EXPECT_TRUE: a full diff of texts this long is too costly.
  EXPECT_TRUE(readFile(dir.file("t")) ==
              kXmlHead + "<Record name=\"Row\">\n<column name=\"id\">1</column><column name=\"name\"/>" +
                  xmlRow("<column name=\"id\">2</column><column name=\"name\">" + escaped + "</column>") +
                  "</ExportFileInfo>\n");
}
