#include "oryxutil/export/FormatFile.h"

#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

// A CSV writer with the titles prepared (none when empty).
std::unique_ptr<FormatFile> makeCsv(const std::list<std::string>& titles = {"t"}) {
  std::unique_ptr<FormatFile> csv(FormatFileFactory::getFormatFile("csv", {}));
  if (!titles.empty()) csv->writeColumnTitle(titles, {});
  return csv;
}

// Writes the titles and records as one document; returns the file's bytes.
std::string exportRecords(const std::vector<Strings>& records,
                          const std::list<std::string>& titles = {"a", "b"}) {
  TempDir dir;
  auto csv = makeCsv(titles);
  EXPECT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  for (const auto& record : records) EXPECT_EQ(csv->writeRecord(record), 0);
  EXPECT_EQ(csv->endDocument(), 0);
  return readFile(dir.file("t.csv"));
}

}  // namespace

TEST(CsvQuoting, FieldsNeedingQuotesAreQuotedOthersAndTitlesUnchanged) {
  EXPECT_EQ(exportRecords({{"x", "", "1,2"}}), "a,b\nx,,\"1,2\"\n");
  EXPECT_EQ(exportRecords({{"y\"z"}, {"\""}}), "a,b\n\"y\"\"z\"\n\"\"\"\"\n");
  EXPECT_EQ(exportRecords({{"one\ntwo", "cr\rhere"}}), "a,b\n\"one\ntwo\",\"cr\rhere\"\n");
  EXPECT_EQ(exportRecords({{" lead", "trail ", "t\tab", "semi;colon", "\xC3\xBC"}}),
            "a,b\n lead,trail ,t\tab,semi;colon,\xC3\xBC\n");
  EXPECT_EQ(exportRecords({}, {"a,1", "b\"2", "c"}), "a,1,b\"2,c\n");
  // A zero byte cuts the field, but quoting follows the whole field.
  EXPECT_EQ(exportRecords({{std::string("ab\0c,d", 6), std::string("x\0y", 3)}}), "a,b\n\"ab\",x\n");
  EXPECT_EQ(exportRecords({{"r"}}, {}), "\nr\n");  // no titles: an empty first line
}

TEST(CsvQuoting, EmptyRecordWritesNoLineListAndVectorAlikeFileNameCodingChangesNoByte) {
  TempDir dir;
  auto csv = makeCsv();
  csv->setFileNameCoding("GBK");
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  EXPECT_EQ(csv->writeRecord(Strings{}), 0);
  EXPECT_EQ(csv->writeRecord(std::list<std::string>{"l,1", "\xD6\xD0"}), 0);
  EXPECT_EQ(csv->writeRecord(Strings{"v,1", "v2"}), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\n\"l,1\",\xD6\xD0\n\"v,1\",v2\n");
}

TEST(CsvStateMachine, EveryRecordIsOnDiskBeforeTheNextCall) {
  TempDir dir;
  auto csv = makeCsv();
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\n");
  ASSERT_EQ(csv->writeRecord(Strings{"r1"}), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\nr1\n");
  csv.reset();  // destroyed while started: the file is closed, nothing is added
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\nr1\n");
}

TEST(CsvTitles, EmptyTitlesFailOnlyWhenNoneWerePreparedAndLaterCallsExtendTheLine) {
  TempDir dir;
  TraceCapture capture;
  auto csv = makeCsv({});
  EXPECT_EQ(csv->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(capture.texts(), Strings{"CSVFormatFile::writeColumnTitle:return -1"});
  EXPECT_EQ(csv->writeColumnTitle({"a", "b"}, "GBK", {5}), 0);
  EXPECT_EQ(csv->writeColumnTitle({}, {}), 0);
  EXPECT_EQ(csv->writeColumnTitle({"c", "d"}, {}), 0);
  EXPECT_EQ(capture.texts().size(), 1u);
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "a,bc,d\n");
}
