// The local-charset TXT writer hands its blocks to its own writer thread.
// These cases run under ThreadSanitizer in CI: suite names say "Thread".

#include "export/TXTFormatFile.h"

#include "support/FileSizeLimit.h"
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

// Titles "n" and "text" with widths 6 and 8 give 22-byte lines.
const size_t kLine = 22;

std::unique_ptr<TXTFormatFile> makeLocalWriter() {
  auto txt = std::make_unique<TXTFormatFile>(std::list<std::string>{});
  EXPECT_EQ(txt->writeColumnTitle({"n", "text"}, "GBK", {6, 8}), 0);
  return txt;
}

std::string textLine(const std::string& number, const std::string& text) {
  std::string line = "* " + number + std::string(6 - number.size(), ' ') + " * " + text;
  return line + std::string(8 - text.size(), ' ') + " *\n";
}

std::string blank() { return "*        *          *\n"; }
std::string border() { return std::string(kLine - 1, '*') + "\n"; }

std::string head() { return border() + blank() + textLine("n", "text") + blank() + border(); }

std::string recordBlock(int n, const std::string& tag) {
  return blank() + textLine(std::to_string(n), tag) + blank() + border();
}

}  // namespace

TEST(TxtWriterThread, ManyRecordsArriveCompleteAndInOrder) {
  // More records than the queue holds before the caller waits (4096).
  const int kRecords = 20000;
  TempDir dir;
  auto txt = makeLocalWriter();
  ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  EXPECT_EQ(txt->thr_count(), 1u);
  std::string expected = head();
  for (int i = 0; i < kRecords; ++i) {
    const std::string tag = i % 2 ? "odd" : "even";
    ASSERT_EQ(txt->writeRecord(Strings{std::to_string(i), tag}), 0);
    expected += recordBlock(i, tag);
  }
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(txt->thr_count(), 0u);
  EXPECT_TRUE(readFile(dir.file("t.txt")) == expected);
}

TEST(TxtWriterThread, EachDocumentHasItsOwnThreadRunAndOnlyItsOwnBlocks) {
  TempDir dir;
  auto txt = makeLocalWriter();
  for (const std::string name : {"1.txt", "2.txt", "3.txt"}) {
    ASSERT_EQ(txt->startDocument(dir.file(name).c_str()), 0);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(txt->writeRecord(std::list<std::string>{std::to_string(i), name}), 0);
    ASSERT_EQ(txt->endDocument(), 0);
  }
  for (const std::string name : {"1.txt", "2.txt", "3.txt"}) {
    std::string expected = head();
    for (int i = 0; i < 50; ++i) expected += recordBlock(i, name);
    EXPECT_EQ(readFile(dir.file(name)), expected) << name;
  }
}

TEST(TxtWriterThread, DestroyingWithAnOpenDocumentWritesItAndReturns) {
  TempDir dir;
  {
    auto txt = makeLocalWriter();
    ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(txt->writeRecord(Strings{std::to_string(i), "x"}), 0);
  }
  std::string expected = head();
  for (int i = 0; i < 5000; ++i) expected += recordBlock(i, "x");
  EXPECT_TRUE(readFile(dir.file("t.txt")) == expected);
}

TEST(TxtWriterThread, Utf8DocumentsAndIdleWritersStartNoThread) {
  TempDir dir;
  TXTFormatFile idle({});  // destroyed at the end without ever starting: returns at once
  TXTFormatFile txt({});
  txt.writeColumnTitle({"t"}, "UTF-8", {});
  ASSERT_EQ(txt.startDocument(dir.file("t.txt").c_str()), 0);
  EXPECT_EQ(txt.thr_count(), 0u);
  EXPECT_EQ(txt.writeRecord(Strings{"x"}), 0);
  ASSERT_EQ(txt.endDocument(), 0);
  EXPECT_EQ(txt.msg_queue()->message_count(), 0u);
}

TEST(TxtWriterThread, WriteFailureOfTheThreadShowsAtTheNextRecordAndTheEnd) {
  TraceCapture capture;
  auto txt = makeLocalWriter();
  ASSERT_EQ(txt->startDocument("/dev/full"), 0);  // the thread has not written yet
  int failedAt = -1;
  // The thread's buffer overflows after about 800 blocks; the caller sees
  // it once the thread got there.
  for (int i = 0; i < 1000000 && failedAt < 0; ++i) {
    if (txt->writeRecord(Strings{std::to_string(i % 1000), "x"}) != 0) failedAt = i;
  }
  ASSERT_GT(failedAt, 0);
  EXPECT_EQ(txt->writeRecord(Strings{"1", "x"}), -1);
  EXPECT_EQ(txt->endDocument(), -1);
  const std::string written = "TXTFormatFile::writefile: writen failed. fileName is /dev/full. errno = 28";
  EXPECT_EQ(capture.texts(),
            (Strings{written, written, "TXTFormatFile::endDocument: failed, /dev/full. errno = 28 "}));
}

TEST(TxtWriterThread, NextDocumentAfterAFailedOneIsWholeAgain) {
  TempDir dir;
  auto txt = makeLocalWriter();
  {
    TraceCapture quiet;
    oryxtest::FileSizeLimit limit(4096);
    ASSERT_EQ(txt->startDocument(dir.file("full.txt").c_str()), 0);
    for (int i = 0; i < 2000; ++i) txt->writeRecord(Strings{"1", "x"});
    EXPECT_EQ(txt->endDocument(), -1);
  }
  ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  ASSERT_EQ(txt->writeRecord(Strings{"7", "ok"}), 0);
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(readFile(dir.file("t.txt")), head() + recordBlock(7, "ok"));
}
