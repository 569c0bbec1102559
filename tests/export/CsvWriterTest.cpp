#include "oryxutil/export/FormatFile.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

std::unique_ptr<FormatFile> makeCsv() {
  return std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("csv", {}));
}

// Writes titles a,b and the records; returns the file's bytes.
std::string exportRecords(const std::vector<Strings>& records,
                          const std::list<std::string>& titles = {"a", "b"}) {
  TempDir dir;
  auto csv = makeCsv();
  csv->writeColumnTitle(titles, {});
  EXPECT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  for (const auto& record : records) EXPECT_EQ(csv->writeRecord(record), 0);
  EXPECT_EQ(csv->endDocument(), 0);
  return readFile(dir.file("t.csv"));
}

}  // namespace

TEST(CsvQuoting, FieldsNeedingQuotesAreQuotedOthersUnchanged) {
  EXPECT_EQ(exportRecords({{"x", "", "1,2"}}), "a,b\nx,,\"1,2\"\n");
  EXPECT_EQ(exportRecords({{"y\"z"}}), "a,b\n\"y\"\"z\"\n");
  EXPECT_EQ(exportRecords({{"\""}}), "a,b\n\"\"\"\"\n");
  EXPECT_EQ(exportRecords({{"one\ntwo", "cr\rhere"}}), "a,b\n\"one\ntwo\",\"cr\rhere\"\n");
  EXPECT_EQ(exportRecords({{" lead", "trail ", "t\tab", "semi;colon", "\xC3\xBC"}}),
            "a,b\n lead,trail ,t\tab,semi;colon,\xC3\xBC\n");
}

TEST(CsvQuoting, TitlesAreWrittenAsTheyAre) {
  EXPECT_EQ(exportRecords({}, {"a,1", "b\"2", "c"}), "a,1,b\"2,c\n");
}

TEST(CsvQuoting, ZeroByteCutsTheFieldButQuotingFollowsTheWholeField) {
  EXPECT_EQ(exportRecords({{std::string("ab\0c,d", 6), std::string("x\0y", 3)}}), "a,b\n\"ab\",x\n");
}

TEST(CsvQuoting, EmptyRecordWritesNoLineListAndVectorAlike) {
  TempDir dir;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  EXPECT_EQ(csv->writeRecord(Strings{}), 0);
  EXPECT_EQ(csv->writeRecord(std::list<std::string>{"l,1", "l2"}), 0);
  EXPECT_EQ(csv->writeRecord(Strings{"v,1", "v2"}), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\n\"l,1\",l2\n\"v,1\",v2\n");
}

TEST(CsvQuoting, IndependentReaderGetsTheSameRecordsBack) {
  const std::vector<Strings> records = {
      {"plain", "with,comma", "with \"quotes\"", "line\nfeed", "crlf\r\nend"},
      {" blank ", "", "\xE6\x9D\xB1\xE4\xBA\xAC", "\"", ",,,"}};
  TempDir dir;
  auto csv = makeCsv();
  csv->writeColumnTitle({"c1", "c2", "c3", "c4", "c5"}, {});
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  for (const auto& record : records) ASSERT_EQ(csv->writeRecord(record), 0);
  ASSERT_EQ(csv->endDocument(), 0);

  // Python's csv module prints each field it read as hex, one record a line.
  const std::string script = dir.file("read.py");
  oryxtest::writeFile(script,
                      "import csv,sys\n"
                      "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                      "    for row in csv.reader(f):\n"
                      "        print(' '.join(x.encode('utf-8').hex() or '-' for x in row))\n");
  const std::string command = "python3 " + script + " " + dir.file("t.csv");
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) output.append(chunk, n);
  ASSERT_EQ(::pclose(pipe), 0);

  auto hexLine = [](const Strings& record) {
    std::string line;
    for (const auto& field : record) {
      if (!line.empty()) line += ' ';
      if (field.empty()) line += '-';
      for (unsigned char c : field) {
        char hex[3];
        std::snprintf(hex, sizeof(hex), "%02x", c);
        line += hex;
      }
    }
    return line + "\n";
  };
  std::string expected = hexLine({"c1", "c2", "c3", "c4", "c5"});
  for (const auto& record : records) expected += hexLine(record);
  EXPECT_EQ(output, expected);
}

TEST(CsvStateMachine, RecordBeforeStartFailsSilently) {
  TraceCapture capture;
  auto csv = makeCsv();
  EXPECT_EQ(csv->writeRecord(Strings{"x"}), -1);
  EXPECT_TRUE(capture.texts().empty());
}

TEST(CsvStateMachine, SecondStartIsRefusedAndLeavesTheOpenDocumentIntact) {
  TempDir dir;
  TraceCapture capture;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  ASSERT_EQ(csv->startDocument(dir.file("one.csv").c_str()), 0);
  ASSERT_EQ(csv->writeRecord(Strings{"r1"}), 0);
  const std::string second = dir.file("two.csv");
  EXPECT_EQ(csv->startDocument(second.c_str()), -1);
  EXPECT_EQ(capture.texts(),
            Strings{"CSVFormatFile::startDocument: m_isWrite is true, " + second + "."});
  ASSERT_EQ(csv->writeRecord(Strings{"r2"}), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("one.csv")), "t\nr1\nr2\n");
}

TEST(CsvStateMachine, EndTwiceReportsOnTheSecondCall) {
  TempDir dir;
  TraceCapture capture;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  const std::string name = dir.file("t.csv");
  ASSERT_EQ(csv->startDocument(name.c_str()), 0);
  EXPECT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(csv->endDocument(), -1);
  EXPECT_EQ(capture.texts(), Strings{"CSVFormatFile::endDocument: m_isWrite is false, " + name + "."});
}

TEST(CsvStateMachine, RestartWritesTheSameTitlesToTheNextFile) {
  TempDir dir;
  auto csv = makeCsv();
  csv->writeColumnTitle({"a", "b"}, {});
  for (const char* name : {"1.csv", "2.csv"}) {
    ASSERT_EQ(csv->startDocument(dir.file(name).c_str(), "ignored"), 0);
    ASSERT_EQ(csv->writeRecord(Strings{name, "x"}), 0);
    ASSERT_EQ(csv->endDocument(), 0);
  }
  EXPECT_EQ(readFile(dir.file("1.csv")), "a,b\n1.csv,x\n");
  EXPECT_EQ(readFile(dir.file("2.csv")), "a,b\n2.csv,x\n");
}

TEST(CsvStateMachine, StartWithoutTitlesWritesAnEmptyFirstLine) {
  TempDir dir;
  auto csv = makeCsv();
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  ASSERT_EQ(csv->writeRecord(Strings{"r"}), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "\nr\n");
}

TEST(CsvStateMachine, EveryRecordIsOnDiskBeforeTheNextCall) {
  TempDir dir;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\n");
  ASSERT_EQ(csv->writeRecord(Strings{"r1"}), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\nr1\n");
  csv.reset();  // destroyed while started: the file is closed, nothing is added
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\nr1\n");
}

TEST(CsvTitles, EmptyTitlesFailOnlyWhenNoneWerePrepared) {
  TraceCapture capture;
  auto csv = makeCsv();
  EXPECT_EQ(csv->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(capture.texts(), Strings{"CSVFormatFile::writeColumnTitle:return -1"});
  EXPECT_EQ(csv->writeColumnTitle({"a"}, "GBK", {5}), 0);
  EXPECT_EQ(csv->writeColumnTitle({}, {}), 0);
  EXPECT_EQ(capture.texts().size(), 1u);
}

TEST(CsvTitles, SecondCallExtendsThePreparedLine) {
  TempDir dir;
  auto csv = makeCsv();
  csv->writeColumnTitle({"a", "b"}, {});
  csv->writeColumnTitle({"c", "d"}, {});
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "a,bc,d\n");
}

TEST(CsvReports, NullFileNameIsReported) {
  TraceCapture capture;
  auto csv = makeCsv();
  EXPECT_EQ(csv->startDocument(nullptr), -1);
  EXPECT_EQ(csv->startDocument(nullptr, "UTF-8"), -1);
  EXPECT_EQ(capture.texts(), Strings(2, "CSVFormatFile::startDocument: fileName is Null."));
}

TEST(CsvReports, MissingDirectoryReportsOpenFailWithErrno) {
  TraceCapture capture;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  EXPECT_EQ(csv->startDocument("/no/such/dir/t.csv"), -1);
  EXPECT_EQ(capture.texts(),
            Strings{"CSVFormatFile::startDocument: open fail, file=/no/such/dir/t.csv, errno=2."});
  EXPECT_EQ(csv->writeRecord(Strings{"x"}), -1);  // still not started
}

TEST(CsvReports, FullDiskFailsTheTitleLine) {
  TraceCapture capture;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  EXPECT_EQ(csv->startDocument("/dev/full"), -1);
  EXPECT_EQ(capture.texts(),
            Strings{"CSVFormatFile::startDocument: write ColumTitle fail, file=/dev/full, errno=28."});
  capture.clear();
  EXPECT_EQ(csv->endDocument(), -1);  // never started
  EXPECT_EQ(capture.texts(), Strings{"CSVFormatFile::endDocument: m_isWrite is false, /dev/full."});
}

TEST(CsvReports, WriteFailureMidDocumentIsStickyAndEarlierLinesStay) {
  TempDir dir;
  TraceCapture capture;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  const std::string name = dir.file("t.csv");
  ASSERT_EQ(csv->startDocument(name.c_str()), 0);
  ASSERT_EQ(csv->writeRecord(Strings{"first"}), 0);
  {
    oryxtest::FileSizeLimit limit(16);  // the disk is full after 16 bytes
    EXPECT_EQ(csv->writeRecord(Strings{"a record too long to fit"}), -1);
    EXPECT_EQ(csv->writeRecord(Strings{"x"}), -1);  // a failed file stays failed
  }
  EXPECT_EQ(csv->endDocument(), -1);
  const auto texts = capture.texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "CSVFormatFile::writefile: writen failed. fileName is " + name + ". errno = 27.");
  EXPECT_EQ(texts[1], texts[0]);
  EXPECT_EQ(texts[2].rfind("CSVFormatFile::endDocument: failed, " + name + ". errno = ", 0), 0u);
  EXPECT_EQ(texts[2].back(), ' ');
  EXPECT_EQ(readFile(name).substr(0, 8), "t\nfirst\n");
  // The writer can start again afterwards.
  ASSERT_EQ(csv->startDocument(dir.file("again.csv").c_str()), 0);
  ASSERT_EQ(csv->endDocument(), 0);
}

TEST(CsvFactory, TypeNamesMatchInAnyAsciiCaseOnly) {
  for (const char* type : {"csv", "CSV", "Csv", "cSv"}) {
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type, {"ignored"}));
    EXPECT_NE(writer, nullptr) << type;
  }
  for (const char* type : {" csv", "csv ", "cs", "csvx", "", "\xC3\xA7sv"}) {
    EXPECT_EQ(FormatFileFactory::getFormatFile(type, {}), nullptr) << type;
  }
  EXPECT_EQ(FormatFileFactory::getFormatFile(nullptr, {}), nullptr);
}

TEST(CsvFactory, FileNameCodingChangesNoByte) {
  TempDir dir;
  auto csv = makeCsv();
  csv->setFileNameCoding("GBK");
  csv->writeColumnTitle({"t"}, {});
  ASSERT_EQ(csv->startDocument(dir.file("t.csv").c_str()), 0);
  ASSERT_EQ(csv->writeRecord(Strings{"\xD6\xD0"}), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\n\xD6\xD0\n");
}

TEST(CsvPaths, BackslashesInTheFileNameAreSeparators) {
  TempDir dir;
  TraceCapture capture;
  auto csv = makeCsv();
  csv->writeColumnTitle({"t"}, {});
  const std::string windowsName = dir.path() + "\\t.csv";
  ASSERT_EQ(csv->startDocument(windowsName.c_str()), 0);
  ASSERT_EQ(csv->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.csv")), "t\n");
}
