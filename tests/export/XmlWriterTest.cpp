#include "oryxutil/export/FormatFile.h"

#include "support/EnvGuard.h"
#include "support/FileSizeLimit.h"
#include "support/RunCommand.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using oryxtest::EnvGuard;
using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Strings = std::vector<std::string>;

namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ExportFileInfo name=\"Export\">\n";
const char kTail[] = "</ExportFileInfo>\n";

std::unique_ptr<FormatFile> makeXml() {
  return std::unique_ptr<FormatFile>(FormatFileFactory::getFormatFile("xml", {"Export", "Row"}));
}

// Exports the records under titles id,name; returns the document's bytes.
std::string exportRecords(const std::vector<Strings>& records) {
  TempDir dir;
  auto xml = makeXml();
  EXPECT_EQ(xml->writeColumnTitle({"id", "name"}, {}), 0);
  EXPECT_EQ(xml->startDocument(dir.file("t.xml").c_str(), "UTF-8"), 0);
  for (const auto& record : records) EXPECT_EQ(xml->writeRecord(record), 0);
  EXPECT_EQ(xml->endDocument(), 0);
  return readFile(dir.file("t.xml"));
}

std::string row(const std::string& columns) { return "<Record name=\"Row\">\n" + columns + "\n</Record>\n"; }

// The first line of a document started without an encoding.
std::string declarationOfFreshWriter() {
  TempDir dir;
  auto xml = makeXml();
  xml->writeColumnTitle({"c"}, {});
  EXPECT_EQ(xml->startDocument(dir.file("t.xml").c_str()), 0);
  EXPECT_EQ(xml->endDocument(), 0);
  const std::string text = readFile(dir.file("t.xml"));
  return text.substr(0, text.find('\n'));
}

}  // namespace

TEST(XmlDocument, RecordWithAValueAndAnEmptyField) {
  EXPECT_EQ(exportRecords({{"7", ""}}),
            std::string(kHead) + row("<column name=\"id\">7</column><column name=\"name\"/>") + kTail);
}

TEST(XmlDocument, MissingFieldsBecomeEmptyElementsListAndVectorAlike) {
  const std::string bothEmpty = row("<column name=\"id\"/><column name=\"name\"/>");
  EXPECT_EQ(exportRecords({{"1"}, {}, {"", ""}}),
            kHead + row("<column name=\"id\">1</column><column name=\"name\"/>") + bothEmpty + bothEmpty +
                kTail);
  TempDir dir;
  auto xml = makeXml();
  xml->writeColumnTitle({"id", "name"}, {});
  ASSERT_EQ(xml->startDocument(dir.file("t.xml").c_str(), "UTF-8"), 0);
  ASSERT_EQ(xml->writeRecord(std::list<std::string>{"1"}), 0);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.xml")),
            kHead + row("<column name=\"id\">1</column><column name=\"name\"/>") + kTail);
}

TEST(XmlEscaping, SpecialBytesBecomeEntitiesAndLineFeedIsFollowedByDel) {
  EXPECT_EQ(exportRecords({{"a<b", "&>'\""}, {"x\ny", "cr\r\t"}}),
            kHead + row("<column name=\"id\">a&lt;b</column><column name=\"name\">&amp;&gt;&apos;&quot;</column>") +
                row("<column name=\"id\">x\n\x7Fy</column><column name=\"name\">cr\r\t</column>") + kTail);
}

TEST(XmlEscaping, ZeroByteDropsTheRestOfItsPieceOnly) {
  EXPECT_EQ(exportRecords({{std::string("a\0b<c\0d", 7), std::string("\0", 1)}}),
            kHead + row("<column name=\"id\">a&lt;c</column><column name=\"name\"></column>") + kTail);
}

TEST(XmlEscaping, FieldsLongerThanTheOutputBufferAreWrittenWhole) {
  std::string field, escaped;
  for (int i = 0; i < 40000; ++i) {
    field += "ab<\n";
    escaped += "ab&lt;\n\x7F";
  }
  const std::string actual = exportRecords({{field, field}});
  const std::string expected = kHead + row("<column name=\"id\">" + escaped + "</column><column name=\"name\">" +
                                           escaped + "</column>") + kTail;
  // The offset of the first difference: a full diff of texts this long is too costly.
  EXPECT_EQ(std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin(),
            static_cast<std::ptrdiff_t>(expected.size()));
}

TEST(XmlEscaping, IndependentReaderAcceptsTheDocumentAndReadsEveryFieldBack) {
  const std::vector<Strings> records = {{"a<b&c>d", "it's \"q\""},
                                        {"line\nfeed", "\xE6\x9D\xB1\xE4\xBA\xAC Z\xC3\xBCrich"},
                                        {"", "]]> <![CDATA[x"}};
  TempDir dir;
  auto xml = makeXml();
  xml->writeColumnTitle({"id", "name"}, {});
  ASSERT_EQ(xml->startDocument(dir.file("t.xml").c_str()), 0);
  for (const auto& record : records) ASSERT_EQ(xml->writeRecord(record), 0);
  ASSERT_EQ(xml->endDocument(), 0);

  int status = 0;
  oryxtest::runCommand("xmllint --noout " + dir.file("t.xml") + " 2>&1", status);
  EXPECT_EQ(status, 0);
  // Python's ElementTree prints each column's text as hex ("-" when empty).
  oryxtest::writeFile(dir.file("read.py"),
                      "import sys, xml.etree.ElementTree as ET\n"
                      "for r in ET.parse(sys.argv[1]).getroot().iter('Record'):\n"
                      "    print(' '.join((c.text or '').encode().hex() or '-' for c in r))\n");
  const std::string output =
      oryxtest::runCommand("python3 " + dir.file("read.py") + " " + dir.file("t.xml"), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output,
            "613c6226633e64 6974277320227122\n"
            "6c696e650a7f66656564 e69db1e4baac205ac3bc72696368\n"  // line feed, then 0x7F
            "- 5d5d3e203c215b43444154415b78\n");
}

TEST(XmlDeclaration, WithoutEncodingItFollowsTheContentMode) {
  {
    EnvGuard global("ORYX_GLOBAL_VERSION", nullptr), local("FILECONTENT_LOCAL_CHARSET", "2");
    EXPECT_EQ(declarationOfFreshWriter(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  }
  {
    EnvGuard global("ORYX_GLOBAL_VERSION", "1"), local("FILECONTENT_LOCAL_CHARSET", "01");
    EXPECT_EQ(declarationOfFreshWriter(), "<?xml version=\"1.0\" encoding=\"GB2312\"?>");
  }
  {
    EnvGuard global("ORYX_GLOBAL_VERSION", "0"), local("FILECONTENT_LOCAL_CHARSET", nullptr);
    EXPECT_EQ(declarationOfFreshWriter(), "<?xml version=\"1.0\" encoding=\"GB2312\"?>");
  }
}

TEST(XmlDeclaration, AGivenEncodingIsKeptForLaterDocumentsEvenFromAFailedStart) {
  TempDir dir;
  auto xml = makeXml();
  xml->writeColumnTitle({"c"}, {});
  const std::string name = dir.file("t.xml");
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

TEST(XmlTitles, FirstSuccessfulTitlesStayForTheWritersLife) {
  TempDir dir;
  TraceCapture capture;
  auto xml = makeXml();
  EXPECT_EQ(xml->writeColumnTitle({}, {}), -1);
  EXPECT_EQ(xml->writeColumnTitle({"a", "Row"}, {}), -1);
  EXPECT_EQ(xml->writeColumnTitle({"Export"}, "UTF-8", {}), -1);
  EXPECT_EQ(xml->startDocument(dir.file("t.xml").c_str()), -1);  // no titles yet: refused
  EXPECT_FALSE(std::ifstream(dir.file("t.xml")).good());
  EXPECT_EQ(xml->writeColumnTitle({"first"}, {}), 0);
  EXPECT_EQ(xml->writeColumnTitle({"second", "third"}, {}), 0);
  EXPECT_TRUE(capture.texts().empty());
  for (const char* name : {"1.xml", "2.xml"}) {
    ASSERT_EQ(xml->startDocument(dir.file(name).c_str(), "UTF-8"), 0);
    ASSERT_EQ(xml->writeRecord(Strings{"v"}), 0);
    ASSERT_EQ(xml->endDocument(), 0);
    EXPECT_EQ(readFile(dir.file(name)), kHead + row("<column name=\"first\">v</column>") + kTail);
  }
}

TEST(XmlTitles, EqualExportAndRecordNamesRefuseEveryTitle) {
  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"Same", "Same"}));
  ASSERT_NE(xml, nullptr);
  EXPECT_EQ(xml->writeColumnTitle({"c"}, {}), -1);
}

TEST(XmlRecords, ExtraFieldsLeaveTheRecordOpenAndTheWriterStarted) {
  TempDir dir;
  TraceCapture capture;
  auto xml = makeXml();
  xml->writeColumnTitle({"id", "name"}, {});
  ASSERT_EQ(xml->startDocument(dir.file("t.xml").c_str(), "UTF-8"), 0);
  EXPECT_EQ(xml->writeRecord(Strings{"1", "", "extra"}), -1);
  EXPECT_EQ(capture.texts(), Strings{"more than 2 record columns."});
  ASSERT_EQ(xml->writeRecord(Strings{"2"}), 0);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.xml")),
            std::string(kHead) + "<Record name=\"Row\">\n<column name=\"id\">1</column><column name=\"name\"/>" +
                row("<column name=\"id\">2</column><column name=\"name\"/>") + kTail);
}

TEST(XmlStateMachine, WrongStatesAreReportedAndTheOpenDocumentStaysIntact) {
  TempDir dir;
  TraceCapture capture;
  auto xml = makeXml();
  xml->writeColumnTitle({"id", "name"}, {});
  EXPECT_EQ(xml->writeRecord(Strings{"x"}), -1);
  const std::string name = dir.file("t.xml"), second = dir.file("u.xml");
  ASSERT_EQ(xml->startDocument(name.c_str(), "UTF-8"), 0);
  EXPECT_EQ(xml->startDocument(second.c_str()), -1);
  ASSERT_EQ(xml->writeRecord(Strings{"7", ""}), 0);
  ASSERT_EQ(xml->endDocument(), 0);
  EXPECT_EQ(xml->endDocument(), -1);
  EXPECT_EQ(capture.texts(), (Strings{"XMLFormatFile::writefile can not write",
                                      "HTMLFormatFile::startDocument: already start write, " + second + ".",
                                      "XMLFormatFile::endDocument: m_isWrite is false, " + name + "."}));
  EXPECT_EQ(readFile(name),
            std::string(kHead) + row("<column name=\"id\">7</column><column name=\"name\"/>") + kTail);
}

TEST(XmlStateMachine, DestroyedWhileStartedKeepsWhatWasWrittenWithoutTheTail) {
  TempDir dir;
  auto xml = makeXml();
  xml->writeColumnTitle({"id"}, {});
  ASSERT_EQ(xml->startDocument(dir.file("t.xml").c_str(), "UTF-8"), 0);
  ASSERT_EQ(xml->writeRecord(Strings{"1"}), 0);
  xml.reset();
  EXPECT_EQ(readFile(dir.file("t.xml")), kHead + row("<column name=\"id\">1</column>"));
}

TEST(XmlReports, NullNameMissingDirectoryAndFullDisk) {
  TraceCapture capture;
  auto xml = makeXml();
  xml->writeColumnTitle({"id"}, {});
  EXPECT_EQ(xml->startDocument(nullptr), -1);
  EXPECT_EQ(xml->startDocument("/no/such/dir/t.xml"), -1);
  EXPECT_EQ(xml->startDocument("/dev/full"), -1);
  EXPECT_EQ(xml->endDocument(), -1);  // none of them started
  EXPECT_EQ(capture.texts(),
            (Strings{"XMLFormatFile::startDocument: fileName is Null.",
                     "XMLFormatFile::startDocument: open fail, file=/no/such/dir/t.xml, errno=2.",
                     "XMLFormatFile::writefile: writen columntitle failed. fileName is /dev/full. errno = 28",
                     "XMLFormatFile::endDocument: m_isWrite is false, /dev/full."}));
}

TEST(XmlReports, DiskFillingUpMidDocumentFailsRecordsAndTheEnd) {
  TempDir dir;
  TraceCapture capture;
  auto xml = makeXml();
  xml->writeColumnTitle({"id"}, {});
  const std::string name = dir.file("t.xml");
  ASSERT_EQ(xml->startDocument(name.c_str()), 0);
  const Strings record{std::string(1000, 'x')};
  oryxtest::FileSizeLimit limit(4096);
  long result = 0;
  int written = 0;
  while (result == 0 && written < 1000) result = xml->writeRecord(record), ++written;
  EXPECT_EQ(result, -1);  // records reach the disk in large writes, so a later one fails
  EXPECT_EQ(xml->writeRecord(record), -1);
  EXPECT_EQ(xml->endDocument(), -1);
  const Strings texts = capture.texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "XMLFormatFile::writefile: writen failed. fileName is " + name + ". errno = 27.");
  EXPECT_EQ(texts[1], texts[0]);
  EXPECT_EQ(texts[2].rfind("XMLFormatFile::endDocument: failed, " + name + ". errno = ", 0), 0u);
  EXPECT_EQ(texts[2].back(), ' ');
}

TEST(XmlFactory, NeedsTwoNonEmptyNames) {
  for (const std::list<std::string>& params :
       {std::list<std::string>{}, {"E"}, {"", "R"}, {"E", ""}}) {
    EXPECT_EQ(FormatFileFactory::getFormatFile("xml", params), nullptr);
  }
  for (const char* type : {"xml", "XML", "XmL"}) {
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type, {"E", "R", ""}));
    EXPECT_NE(writer, nullptr) << type;
  }
  EXPECT_EQ(FormatFileFactory::getFormatFile("xm", {"E", "R"}), nullptr);
  EXPECT_EQ(FormatFileFactory::getFormatFile("xml ", {"E", "R"}), nullptr);
}
