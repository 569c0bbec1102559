// SPDX-License-Identifier: Apache-2.0
// The contract every export writer keeps, run once per writer: the misplaced
// calls with the writer's own reports, a disk that fills up mid-way, the
// legacy bytes of a hostile table, and an independent reader's view of it.
// A new writer is one more row of kWriters.
#include "oryxutil/export/FormatFile.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

// A writer's reports (printf formats, as the library keeps them); null: silent.
struct Reports {
  const char* titlesMissing;
  const char* nameMissing;
  const char* alreadyStarted;  // %s the new name
  const char* openFailed;      // %s %d
  const char* headFailed;      // %s %d; null: a full device fails later
  const char* recordNotStarted;
  const char* endNotStarted;   // %s
  const char* recordFailed;    // %s %d
  const char* endFailed;       // %s %d
};

struct WriterCase {
  const char* label;
  const char* type;
  std::list<std::string> params;
  const char* encoding;  // given with the titles and to startDocument
  long emptyRecord;      // what a record of no fields gives
  Reports reports;
  const char* golden;    // file of the hostile table's legacy bytes (null: none)
  const char* reader;    // the independent reader's program (null: none)
  const char* readBack;  // file of what it prints for the table under plain titles
};

// The expected bytes live in golden/ beside this file, byte for byte.
std::string golden(const char* name) { return readFile(ORYX_SOURCE_DIR "/tests/export/golden/" + std::string(name)); }

// Test names and failure messages name the writer.
void PrintTo(const WriterCase& writer, std::ostream* out) { *out << writer.label; }

// A report format with its arguments filled in.
std::string format(const char* text, const std::string& name = "", int error = 0) {
  char out[512];
  std::snprintf(out, sizeof(out), text, name.c_str(), error);
  return out;
}

const std::list<std::string> kTitles = {"a,1", "b\"<&>", "\xE6\x9D\xB1"};
const std::list<long> kWidths = {3, 0, 4};
const std::vector<Strings> kRecords = {{"x", "", "1,2"},
                                       {"y\"z", "a<b&c>'", "\xE6\x9D\xB1\xE4\xBA\xAC"},
                                       {"one\ntwo", "cr\rhere\t", "lf\r\n"},
                                       {std::string("ze\0ro,", 6)}};






// Independent readers: each prints the table's rows, cells as hex ("-" when empty).
#define ORYX_READER(script) "/usr/bin/python3 " ORYX_SOURCE_DIR "/tests/export/" script

const Reports kJsonReports = {
    "JSONFormatFile::writeColumnTitle: no titles.", "JSONFormatFile::startDocument: fileName is Null.",
    "JSONFormatFile::startDocument: already started, %s.", "JSONFormatFile::startDocument: open fail, file=%s, errno=%d.",
    "JSONFormatFile::startDocument: write head fail, file=%s, errno=%d.", "JSONFormatFile::writeRecord: not started.",
    "JSONFormatFile::endDocument: not started, %s.", "JSONFormatFile::writeRecord: write failed, file=%s, errno=%d.",
    "JSONFormatFile::endDocument: failed, file=%s, errno=%d."};
Reports ndjsonReports() {
  Reports reports = kJsonReports;
  reports.headFailed = nullptr;  // an empty head: a full device fails with the first record
  return reports;
}

const std::vector<WriterCase> kWriters = {
    {"Csv", "csv", {}, "UTF-8", 0,
     {"CSVFormatFile::writeColumnTitle:return -1", "CSVFormatFile::startDocument: fileName is Null.",
      "CSVFormatFile::startDocument: m_isWrite is true, %s.", "CSVFormatFile::startDocument: open fail, file=%s, errno=%d.",
      "CSVFormatFile::startDocument: write ColumTitle fail, file=%s, errno=%d.", nullptr,
      "CSVFormatFile::endDocument: m_isWrite is false, %s.",
      "CSVFormatFile::writefile: writen failed. fileName is %s. errno = %d.",
      "CSVFormatFile::endDocument: failed, %s. errno = %d "},
     "Csv.out", ORYX_READER("table_read.py csv"), "Csv.read"},
    {"Html", "html", {}, "UTF-8", 0,
     {"HTMLFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty",
      "HTMLFormatFile::startDocument:fileName is NULL", "HTMLFormatFile::startDocument: already start write.",
      "HTMLFormatFile::startDocument: open file failed. fileName is %s, errno=%d.",
      "HTMLFormatFile::startDocument: write columntitle failed. fileName is %s, errno=%d.",
      "HTMLFormatFile::writefile: can't end because have not started.",
      "HTMLFormatFile::endDocument: can't end because have not started.",
      "HTMLFormatFile::writefile: writen failed. fileName is %s. errno = %d",
      "HTMLFormatFile::endDocument: writen failed. fileName is %s. errno = %d."},
     "Html.out", nullptr, nullptr},  // unescaped markup: read back with escapeMarkup (WriterOptions)
    {"Xml", "xml", {"E", "R"}, "UTF-8", 0,
     {nullptr, "XMLFormatFile::startDocument: fileName is Null.", "HTMLFormatFile::startDocument: already start write, %s.",
      "XMLFormatFile::startDocument: open fail, file=%s, errno=%d.",
      "XMLFormatFile::writefile: writen columntitle failed. fileName is %s. errno = %d",
      "XMLFormatFile::writefile can not write", "XMLFormatFile::endDocument: m_isWrite is false, %s.",
      "XMLFormatFile::writefile: writen failed. fileName is %s. errno = %d.",
      "XMLFormatFile::endDocument: failed, %s. errno = %d "},
     // A line feed comes back followed by 0x7F; the reader turns CR and CR LF into LF.
     "Xml.out", ORYX_READER("table_read.py xml"), "Xml.read"},
    {"TxtUtf8", "txt", {}, "UTF-8", -1,
     {"TXTFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty",
      "TXTFormatFile::startDocument: fileName is NULL.", "TXTFormatFile::startDocument: already in write.",
      "TXTFormatFile::startDocument: open file failed %s, errno=%d",
      "TXTFormatFile::startDocument: write Columntitle failed(2). fileName is %s, errno=%d.",
      "TXTFormatFile::writefile: can't write because have not started.",
      "TXTFormatFile::endDocument: can't end because have not started.",
      "TXTFormatFile::writefile: writen failed. fileName is %s. errno = %d",
      "TXTFormatFile::endDocument: failed, %s. errno = %d "},
     "TxtUtf8.out", nullptr, nullptr},
    {"TxtLocalCharset", "txt", {}, "GBK", -1,
     {"TXTFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty",
      "TXTFormatFile::startDocument: fileName is NULL.", "TXTFormatFile::startDocument: already in write.",
      "TXTFormatFile::startDocument: open file failed %s, errno=%d", nullptr,
      "TXTFormatFile::writefile: can't write because have not started.",
      "TXTFormatFile::endDocument: can't end because have not started.",
      "TXTFormatFile::writefile: writen failed. fileName is %s. errno = %d",
      "TXTFormatFile::endDocument: failed, %s. errno = %d "},
     "TxtLocalCharset.out", nullptr, nullptr},
    {"Xlsx", "xlsx", {}, "UTF-8", 0,
     {"XLSXFormatFile::writeColumnTitle:return -1", "XLSXFormatFile::startDocument: fileName is Null.",
      "XLSXFormatFile::startDocument: m_isWrite is true, %s.", "XLSXFormatFile::startDocument: open fail, file=%s, errno=%d.",
      nullptr, nullptr, "XLSXFormatFile::endDocument: m_isWrite is false, %s.",
      "XLSXFormatFile::writefile: writen failed. fileName is %s. errno = %d.",
      "XLSXFormatFile::endDocument: failed, %s. errno = %d "},
     // Control characters become U+FFFD; an empty cell is left out.
     nullptr, ORYX_READER("xlsx_read.py full"), "Xlsx.read"},
    // JSON keeps every byte, the zero too.
    {"Json", "json", {}, "UTF-8", 0, kJsonReports, "Json.out", ORYX_READER("table_read.py json"), "Json.read"},
    {"Ndjson", "ndjson", {}, "UTF-8", 0, ndjsonReports(), nullptr, ORYX_READER("table_read.py json"), "Json.read"},
};

class WriterContract : public ::testing::TestWithParam<WriterCase> {
 protected:
  std::unique_ptr<FormatFile> make() {
    return oryx::makeWriter(GetParam().type, GetParam().params);
  }
  // Writes the table under `titles`; returns the file's name.
  std::string writeTable(const std::list<std::string>& titles) {
    const std::string name = dir.file(std::string("t.") + GetParam().type);
    auto writer = make();
    EXPECT_EQ(writer->writeColumnTitle(titles, GetParam().encoding, kWidths), 0);
    EXPECT_EQ(writer->startDocument(name.c_str(), GetParam().encoding), 0);
    for (const Strings& record : kRecords) EXPECT_EQ(writer->writeRecord(record), 0);
    EXPECT_EQ(writer->endDocument(), 0);
    return name;
  }

  oryxtest::TempDir dir;
  oryxtest::TraceCapture capture;
};

}  // namespace

TEST_P(WriterContract, MisplacedCallsFailWithTheWritersReportsAndLeaveTheOpenDocumentIntact) {
  const Reports& r = GetParam().reports;
  const std::string name = dir.file("one"), second = dir.file("two"), missing = dir.file("no/such/t");
  auto writer = make();
  Strings expected;
  auto expect = [&](const char* text, const std::string& arg = "", int error = 0) {
    if (text != nullptr) expected.push_back(format(text, arg, error));
  };
  EXPECT_EQ(writer->writeColumnTitle({}, {}), -1);
  expect(r.titlesMissing);
  EXPECT_EQ(writer->writeRecord(Strings{"x"}), -1);
  expect(r.recordNotStarted);
  EXPECT_EQ(writer->endDocument(), -1);
  expect(r.endNotStarted);
  ASSERT_EQ(writer->writeColumnTitle({"t"}, GetParam().encoding, {}), 0);
  EXPECT_EQ(writer->writeColumnTitle({}, {}), 0);  // the titles stay
  EXPECT_EQ(writer->startDocument(nullptr), -1);
  expect(r.nameMissing);
  EXPECT_EQ(writer->startDocument(missing.c_str()), -1);
  expect(r.openFailed, missing, 2);
  if (r.headFailed != nullptr) {
    EXPECT_EQ(writer->startDocument("/dev/full"), -1);
    expect(r.headFailed, "/dev/full", 28);
  }
  ASSERT_EQ(writer->startDocument(name.c_str(), GetParam().encoding), 0);
  EXPECT_EQ(writer->startDocument(second.c_str()), -1);
  expect(r.alreadyStarted, second);
  EXPECT_EQ(writer->writeRecord(Strings{}), GetParam().emptyRecord);
  EXPECT_EQ(writer->writeRecord(std::list<std::string>{"r1"}), 0);
  ASSERT_EQ(writer->endDocument(), 0);
  EXPECT_EQ(writer->endDocument(), -1);
  expect(r.endNotStarted, name);
  EXPECT_EQ(capture.texts(), expected);
  EXPECT_FALSE(std::filesystem::exists(second));
  // Started again on the same titles, then destroyed while started: the
  // records so far stay in the file.
  ASSERT_EQ(writer->startDocument(second.c_str()), 0);
  ASSERT_EQ(writer->writeRecord(Strings{"r2"}), 0);
  writer.reset();
  EXPECT_FALSE(readFile(second).empty());
}

TEST_P(WriterContract, ADiskFillingUpFailsEveryLaterCallWithAReportAndKeepsWhatFitted) {
  const Reports& r = GetParam().reports;
  const std::string name = dir.file("t");
  auto writer = make();
  ASSERT_EQ(writer->writeColumnTitle({"t"}, GetParam().encoding, {100}), 0);
  ASSERT_EQ(writer->startDocument(name.c_str()), 0);
  {
    oryxtest::FileSizeLimit limit(4096);
    long result = 0;
    for (int i = 0; i < 20000 && result == 0; ++i) result = writer->writeRecord(Strings{std::string(1000, 'x')});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(writer->writeRecord(Strings{"x"}), -1);  // a failed file stays failed
  }
  EXPECT_EQ(writer->endDocument(), -1);
  const Strings texts = capture.texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], format(r.recordFailed, name, 27));
  EXPECT_EQ(texts[1], texts[0]);
  const std::string end = format(r.endFailed, name, 27);
  EXPECT_EQ(texts[2].substr(0, end.find("27")), end.substr(0, end.find("27")));
  // Exactly what fitted stays, and no temporary file: a workbook is written
  // only by a successful end, so its file stays as created, empty.
  const bool workbook = std::string(GetParam().type) == "xlsx";
  EXPECT_EQ(readFile(name).size(), workbook ? 0u : 4096u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  // The next document starts clean.
  ASSERT_EQ(writer->startDocument(dir.file("again").c_str()), 0);
  ASSERT_EQ(writer->writeRecord(Strings{"x"}), 0);
  EXPECT_EQ(writer->endDocument(), 0);
}

TEST_P(WriterContract, TheHostileTableGivesTheLegacyBytes) {
  if (GetParam().golden == nullptr) GTEST_SKIP() << "a workbook is zipped: read back instead";
  EXPECT_EQ(readFile(writeTable(kTitles)), golden(GetParam().golden));
}

TEST_P(WriterContract, AnIndependentReaderGetsTheTableBack) {
  if (GetParam().reader == nullptr) GTEST_SKIP() << "no independent reader of this format";
  const std::string file = writeTable({"id", "text", "more"}), out = dir.file("out");
  // /usr/bin/python3: Debian's python3-openpyxl serves it, a python3 earlier on the PATH may not.
  ASSERT_EQ(std::system((std::string(GetParam().reader) + " " + file + " >" + out).c_str()), 0);
  EXPECT_EQ(readFile(out), golden(GetParam().readBack));
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriterContract, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<WriterCase>& info) { return info.param.label; });

TEST(WriterFactory, TypeNamesMatchInAnyAsciiCaseAndXmlNeedsTwoNonEmptyNames) {
  for (const char* type : {"csv", "CSV", "Html", "xMl", "txt", "TXT", "xlsx", "XLSX", "Json", "NDJSON"})
    EXPECT_NE(oryx::makeWriter(type, {"E", "R", ""}), nullptr) << type;
  for (const char* type : {"xm", "xml ", " html", "cs", "csvx", "", "\xC3\xA7sv"})
    EXPECT_EQ(oryx::makeWriter(type, {"E", "R"}), nullptr) << type;
  EXPECT_EQ(oryx::makeWriter(nullptr, {}), nullptr);
  for (const std::list<std::string>& params : {std::list<std::string>{}, {"E"}, {"", "R"}, {"E", ""}})
    EXPECT_EQ(std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("xml", params)), nullptr);
  EXPECT_NE(std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("csv", {})), nullptr);
}
