#include "oryxutil/export/FormatFile.h"

#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ExportFileInfo name=\"Export\">\n";
const std::string kTail = "</ExportFileInfo>\n";

std::string row(const std::string& columns) { return "<Record name=\"Row\">\n" + columns + "\n</Record>\n"; }
std::string idName(const std::string& id) {
  return "<column name=\"id\">" + id + "</column><column name=\"name\"/>";
}

// A writer for export "Export", record "Row" and titles id,name; `name` is its file.
class XmlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(xml->writeColumnTitle({"id", "name"}, {}), 0); }
  // Writes one document with the records; returns its bytes.
  std::string exportRecords(const std::vector<Strings>& records) {
    EXPECT_EQ(xml->startDocument(name.c_str(), "UTF-8"), 0);
    for (const auto& record : records) EXPECT_EQ(xml->writeRecord(record), 0);
    EXPECT_EQ(xml->endDocument(), 0);
    return readFile(name);
  }

  oryxtest::TempDir dir;
  oryxtest::TraceCapture capture;
  std::unique_ptr<FormatFile> xml{FormatFileFactory::getFormatFile("xml", {"Export", "Row"})};
  const std::string name = dir.file("t.xml");
};
using XmlDocument = XmlTest;
using XmlStateMachine = XmlTest;

}  // namespace

TEST_F(XmlDocument, ExtraFieldsLeaveTheRecordOpenAndTheWriterStarted) {
  ASSERT_EQ(xml->startDocument(name.c_str(), "UTF-8"), 0);
  EXPECT_EQ(xml->writeRecord(Strings{"1", "", "extra"}), -1);
  EXPECT_EQ(capture.texts(), Strings{"more than 2 record columns."});
  ASSERT_EQ(xml->writeRecord(Strings{"2"}), 0);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(readFile(name), kHead + "<Record name=\"Row\">\n" + idName("1") + row(idName("2")) + kTail);
}

TEST_F(XmlDocument, FieldsLongerThanTheOutputBufferAreWrittenWhole) {
  std::string field, escaped;
  for (int i = 0; i < 40000; ++i) field += "ab<\n", escaped += "ab&lt;\n\x7F";
  // EXPECT_TRUE: a full diff of texts this long is too costly.
  EXPECT_TRUE(exportRecords({{field, field}}) ==
              kHead + row("<column name=\"id\">" + escaped + "</column><column name=\"name\">" + escaped + "</column>") + kTail);
}

TEST_F(XmlStateMachine, OnlyTheFirstSuccessfulTitlesCountAndFailuresAreSilent) {
  std::unique_ptr<FormatFile> fresh(FormatFileFactory::getFormatFile("xml", {"Export", "Row"}));
  EXPECT_EQ(fresh->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(fresh->writeColumnTitle({"a", "Row"}, {}), -1);
  EXPECT_EQ(fresh->writeColumnTitle({"Export"}, "UTF-8", {}), -1);
  EXPECT_EQ(fresh->startDocument(name.c_str()), -1);  // no titles yet: refused, no file made
  EXPECT_NE(access(name.c_str(), F_OK), 0);
  EXPECT_EQ(fresh->writeColumnTitle({"first"}, {}), 0);
  EXPECT_EQ(fresh->writeColumnTitle({"second", "third"}, {}), 0);
  EXPECT_TRUE(capture.texts().empty());
  xml = std::move(fresh);
  EXPECT_EQ(exportRecords({{"v"}}), kHead + row("<column name=\"first\">v</column>") + kTail);
  EXPECT_EQ(exportRecords({{"w"}}), kHead + row("<column name=\"first\">w</column>") + kTail);  // restart
}

