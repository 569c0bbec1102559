#include "oryxutil/export/FormatFile.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
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
using XmlDeclaration = XmlTest;
using XmlStateMachine = XmlTest;

}  // namespace

TEST_F(XmlDocument, EmptyAndMissingFieldsBecomeEmptyElements) {
  const std::string bothEmpty = row("<column name=\"id\"/><column name=\"name\"/>");
  EXPECT_EQ(exportRecords({{"7", ""}, {"1"}, {}, {"", ""}}),
            kHead + row(idName("7")) + row(idName("1")) + bothEmpty + bothEmpty + kTail);
}

TEST_F(XmlDocument, ExtraFieldsLeaveTheRecordOpenAndTheWriterStarted) {
  ASSERT_EQ(xml->startDocument(name.c_str(), "UTF-8"), 0);
  EXPECT_EQ(xml->writeRecord(Strings{"1", "", "extra"}), -1);
  EXPECT_EQ(capture.texts(), Strings{"more than 2 record columns."});
  ASSERT_EQ(xml->writeRecord(Strings{"2"}), 0);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(readFile(name), kHead + "<Record name=\"Row\">\n" + idName("1") + row(idName("2")) + kTail);
}

TEST_F(XmlDocument, SpecialBytesBecomeEntitiesLineFeedGetsDelZeroByteCuts) {
  EXPECT_EQ(exportRecords({{"a<b", "&>'\""}, {"x\ny", "cr\r\t"}}),
            kHead + row("<column name=\"id\">a&lt;b</column><column name=\"name\">&amp;&gt;&apos;&quot;</column>") +
                row("<column name=\"id\">x\n\x7Fy</column><column name=\"name\">cr\r\t</column>") + kTail);
  // A zero byte drops the rest of its piece, up to the next escaped byte.
  EXPECT_EQ(exportRecords({{std::string("a\0b<c\0d", 7), std::string("\0", 1)}}),
            kHead + row("<column name=\"id\">a&lt;c</column><column name=\"name\"></column>") + kTail);
}

TEST_F(XmlDocument, FieldsLongerThanTheOutputBufferAreWrittenWhole) {
  std::string field, escaped;
  for (int i = 0; i < 40000; ++i) field += "ab<\n", escaped += "ab&lt;\n\x7F";
  // EXPECT_TRUE: a full diff of texts this long is too costly.
  EXPECT_TRUE(exportRecords({{field, field}}) ==
              kHead + row("<column name=\"id\">" + escaped + "</column><column name=\"name\">" + escaped + "</column>") + kTail);
}

TEST_F(XmlDocument, IndependentReadersAcceptTheDocumentAndReadEveryFieldBack) {
  exportRecords({{"a<b&c>d", "it's \"q\""},
                 {"line\nfeed", "\xE6\x9D\xB1\xE4\xBA\xAC Z\xC3\xBCrich"},
                 {"", "]]> <![CDATA[x"}});
  EXPECT_EQ(std::system(("xmllint --noout " + name).c_str()), 0);
  // Python's ElementTree prints each column's text as hex ("-" when empty).
  oryxtest::writeFile(dir.file("read.py"),
                      "import sys, xml.etree.ElementTree as ET\n"
                      "for r in ET.parse(sys.argv[1]).getroot().iter('Record'):\n"
                      "    print(' '.join((c.text or '').encode().hex() or '-' for c in r))\n");
  ASSERT_EQ(std::system(("python3 " + dir.file("read.py") + " " + name + " >" + dir.file("out")).c_str()), 0);
  EXPECT_EQ(readFile(dir.file("out")),
            "613c6226633e64 6974277320227122\n"
            "6c696e650a7f66656564 e69db1e4baac205ac3bc72696368\n"  // line feed, then 0x7F
            "- 5d5d3e203c215b43444154415b78\n");
}

TEST_F(XmlDeclaration, WithoutEncodingItFollowsTheContentMode) {
  // ORYX_GLOBAL_VERSION, FILECONTENT_LOCAL_CHARSET, the encoding declared
  const std::vector<std::array<const char*, 3>> cases = {
      {nullptr, "2", "UTF-8"}, {"1", "01", "GB2312"}, {"0", nullptr, "GB2312"}};
  for (const auto& c : cases) {
    oryxtest::EnvGuard global("ORYX_GLOBAL_VERSION", c[0]), local("FILECONTENT_LOCAL_CHARSET", c[1]);
    std::unique_ptr<FormatFile> fresh(FormatFileFactory::getFormatFile("xml", {"Export", "Row"}));
    fresh->writeColumnTitle({"c"}, {});
    ASSERT_EQ(fresh->startDocument(name.c_str()), 0);
    ASSERT_EQ(fresh->endDocument(), 0);
    const std::string declaration = std::string("<?xml version=\"1.0\" encoding=\"") + c[2] + "\"?>\n<Exp";
    EXPECT_EQ(readFile(name).rfind(declaration, 0), 0u) << c[2];
  }
}

TEST_F(XmlDeclaration, AGivenEncodingIsKeptForLaterDocumentsEvenFromAFailedStart) {
  auto declarationOf = [&](const char* encoding) {
    EXPECT_EQ(xml->startDocument(name.c_str(), encoding), 0);
    EXPECT_EQ(xml->endDocument(), 0);
    const std::string text = readFile(name);
    return text.substr(0, text.find('\n'));
  };
  EXPECT_EQ(xml->startDocument(nullptr, "ISO-8859-1"), -1);
  EXPECT_EQ(declarationOf(nullptr), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
  EXPECT_EQ(declarationOf(nullptr), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
  EXPECT_EQ(declarationOf(""), "<?xml version=\"1.0\" encoding=\"\"?>");
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

// The CSV and XML writers alike: misplaced calls and bad names fail with a
// report each (bar a CSV record before the start) and leave the open
// document as it was.
TEST(WriterStateMachine, MisplacedCallsAndBadNamesAreReportedAndTheOpenDocumentStaysIntact) {
  oryxtest::TempDir dir;
  for (const std::string type : {"CSV", "XML"}) {
    oryxtest::TraceCapture capture;
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type.c_str(), {"Export", "Row"}));
    ASSERT_EQ(writer->writeColumnTitle({"t"}, {}), 0);
    const std::string name = dir.file(type + "1"), second = dir.file(type + "2"), cls = type + "FormatFile::";
    EXPECT_EQ(writer->writeRecord(Strings{"x"}), -1);
    EXPECT_EQ(writer->startDocument(nullptr), -1);
    EXPECT_EQ(writer->startDocument(nullptr, "UTF-8"), -1);
    EXPECT_EQ(writer->startDocument("/no/such/dir/t"), -1);
    EXPECT_EQ(writer->startDocument("/dev/full"), -1);
    EXPECT_EQ(writer->endDocument(), -1);  // none of them started
    ASSERT_EQ(writer->startDocument(name.c_str(), "UTF-8"), 0);
    ASSERT_EQ(writer->writeRecord(Strings{"r1"}), 0);
    EXPECT_EQ(writer->startDocument(second.c_str()), -1);
    ASSERT_EQ(writer->writeRecord(Strings{"r2"}), 0);
    ASSERT_EQ(writer->endDocument(), 0);
    EXPECT_EQ(writer->endDocument(), -1);
    const bool csv = type == "CSV";
    Strings expected = {cls + "startDocument: fileName is Null.", cls + "startDocument: fileName is Null.",
                        cls + "startDocument: open fail, file=/no/such/dir/t, errno=2.",
                        csv ? cls + "startDocument: write ColumTitle fail, file=/dev/full, errno=28."
                            : cls + "writefile: writen columntitle failed. fileName is /dev/full. errno = 28",
                        cls + "endDocument: m_isWrite is false, /dev/full.",
                        csv ? cls + "startDocument: m_isWrite is true, " + second + "."
                            : "HTMLFormatFile::startDocument: already start write, " + second + ".",
                        cls + "endDocument: m_isWrite is false, " + name + "."};
    if (!csv) expected.insert(expected.begin(), "XMLFormatFile::writefile can not write");
    EXPECT_EQ(capture.texts(), expected);
    const std::string column = "<column name=\"t\">";
    EXPECT_EQ(readFile(name), csv ? "t\nr1\nr2\n"
                                  : kHead + row(column + "r1</column>") + row(column + "r2</column>") + kTail);
  }
}

TEST(ExportFactory, TypeNamesMatchInAnyAsciiCaseOnlyXmlNeedsTwoNonEmptyNamesOthersTakeAnything) {
  for (const std::list<std::string>& params : {std::list<std::string>{}, {"E"}, {"", "R"}, {"E", ""}})
    EXPECT_EQ(FormatFileFactory::getFormatFile("xml", params), nullptr);
  for (const char* type : {"xml", "XML", "XmL", "html", "HTML", "Html", "csv", "CSV", "Csv", "cSv"})
    EXPECT_NE(std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile(type, {"E", "R", ""})), nullptr) << type;
  EXPECT_NE(std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("csv", {})), nullptr);
  for (const char* type : {"xm", "xml ", "htm", " html", " csv", "csv ", "cs", "csvx", "", "\xC3\xA7sv"})
    EXPECT_EQ(FormatFileFactory::getFormatFile(type, {"E", "R"}), nullptr) << type;
  EXPECT_EQ(FormatFileFactory::getFormatFile(nullptr, {}), nullptr);
  std::unique_ptr<FormatFile> sameNames(FormatFileFactory::getFormatFile("xml", {"Same", "Same"}));
  EXPECT_EQ(sameNames->writeColumnTitle({"c"}, {}), -1);  // equal names refuse every title
}
