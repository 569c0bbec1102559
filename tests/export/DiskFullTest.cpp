// Exports onto a disk that fills up mid-way: every writer, directly and
// through part files, reports the failure and leaves what it wrote before
// the fault intact. A file size limit (errno 27) stands in for the full disk
// where a small tmpfs cannot be mounted; the real one (errno 28) needs root.
#include "oryxutil/export/MultiFormatFile.h"

#include "support/FileSizeLimit.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <sstream>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

const Strings kRecord = {"0123456789", "abcdefghij", "0123456789", "abcdefghij", "0123456789"};

// Lines of a file that end with a line feed.
size_t wholeLines(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += c == '\n';
  return count;
}

}  // namespace

TEST(DiskFull, AFailedWriteFailsEveryLaterCallWithAReportEachAndKeepsWhatFitted) {
  const struct {
    std::string type;
    std::string kept;     // what the full file holds after its first line
    std::string restart;  // how the next document begins
  } writers[] = {{"CSV", "xxxxxxxx", "t\n"}, {"XML", "<ExportF", "<?"}, {"XLSX", "", "PK"}};
  for (const auto& w : writers) {
    oryxtest::TempDir dir;
    oryxtest::TraceCapture capture;
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(w.type.c_str(), {"E", "R"}));
    ASSERT_EQ(writer->writeColumnTitle({"t"}, {}), 0);
    const std::string name = dir.file("t"), cls = w.type + "FormatFile::";
    ASSERT_EQ(writer->startDocument(name.c_str()), 0);
    const Strings record{std::string(1000, 'x')};
    {
      oryxtest::FileSizeLimit limit(4096);
      long result = 0;
      for (int i = 0; i < 5000 && result == 0; ++i) result = writer->writeRecord(record);
      EXPECT_EQ(result, -1) << w.type;
      EXPECT_EQ(writer->writeRecord(Strings{"x"}), -1) << w.type;  // a failed file stays failed
    }
    EXPECT_EQ(writer->endDocument(), -1);
    const Strings texts = capture.texts();
    ASSERT_EQ(texts.size(), 3u) << w.type;
    EXPECT_EQ(texts[0], cls + "writefile: writen failed. fileName is " + name + ". errno = 27.");
    EXPECT_EQ(texts[1], texts[0]);
    EXPECT_EQ(texts[2].rfind(cls + "endDocument: failed, " + name + ". errno = ", 0), 0u) << texts[2];
    EXPECT_EQ(texts[2].back(), ' ');
    // Exactly what fitted stays, and no temporary file; a workbook is
    // written only by a successful end, so its file stays as created: empty.
    const std::string kept = readFile(name);
    EXPECT_EQ(kept.size(), w.kept.empty() ? 0u : 4096u) << w.type;
    EXPECT_EQ(kept.substr(kept.find('\n') + 1, 8), w.kept) << w.type;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << w.type;
    // The next document starts clean.
    ASSERT_EQ(writer->startDocument(dir.file("again").c_str(), "UTF-8"), 0);
    ASSERT_EQ(writer->endDocument(), 0);
    EXPECT_EQ(readFile(dir.file("again")).substr(0, 2), w.restart) << w.type;
  }
}

TEST(DiskFull, EveryWriterFailsWithEnospcAndKeepsEarlierBytes) {
  struct Writer {
    const char* type;
    std::list<std::string> params;
    const char* encoding;  // the TXT writer's GBK is its local-charset mode with the writer thread
  };
  const std::vector<Writer> writers = {
      {"csv", {}, "UTF-8"}, {"xml", {"E", "R"}, "UTF-8"}, {"html", {}, "UTF-8"}, {"txt", {}, "UTF-8"}, {"txt", {}, "GBK"}};
  for (const Writer& type : writers) {
    oryxtest::TempDir dir;
    oryxtest::SmallDisk disk(dir.path(), "32k");
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    oryxtest::TraceCapture capture;
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type.type, type.params));
    ASSERT_EQ(writer->writeColumnTitle({"a", "b", "c", "d", "e"}, type.encoding, {10, 10, 10, 10, 10}), 0);
    const std::string name = dir.file(std::string("t.") + type.type);
    ASSERT_EQ(writer->startDocument(name.c_str()), 0) << type.type;
    long result = 0;
    for (int i = 0; i < 20000 && result == 0; ++i) result = writer->writeRecord(kRecord);
    EXPECT_EQ(result, -1) << type.type;
    EXPECT_EQ(writer->endDocument(), -1) << type.type;
    ASSERT_FALSE(capture.texts().empty());
    EXPECT_NE(capture.texts().front().find("28"), std::string::npos) << capture.texts().front();
    EXPECT_GT(readFile(name).size(), 16000u) << type.type;  // what fitted is on disk
  }
}

TEST(DiskFull, PartsWrittenBeforeTheFaultStayWhole) {
  oryxtest::TempDir dir;
  oryxtest::SmallDisk disk(dir.path(), "64k");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  oryxtest::TraceCapture capture;
  MultiFormatFile parts(FormatFileFactory::getFormatFile("csv", {}), 100, true);
  ASSERT_EQ(parts.writeColumnTitle({"a", "b", "c", "d", "e"}, {}), 0);
  ASSERT_EQ(parts.startDocument(dir.file("sub/out.csv").c_str()), 0);
  long result = 0;
  int written = 0;
  while (written < 100000 && (result = parts.writeRecord(kRecord)) == 0) ++written;
  EXPECT_EQ(result, -1);
  std::list<std::string> files;
  parts.endDocument(files);
  // Every part before the one that met the full disk holds the title line
  // and exactly 100 records.
  const int fullParts = written / 100;
  ASSERT_GT(fullParts, 2);
  for (int k = 1; k < fullParts; ++k) {
    const std::string part = readFile(dir.file("sub/out-" + std::to_string(k) + ".csv"));
    EXPECT_EQ(wholeLines(part), 101u) << "part " << k;
  }
  ASSERT_FALSE(capture.texts().empty());
  EXPECT_NE(capture.texts().front().find("28"), std::string::npos) << capture.texts().front();
}
