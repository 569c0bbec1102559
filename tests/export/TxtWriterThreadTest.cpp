// SPDX-License-Identifier: Apache-2.0
// The local-charset TXT writer hands its blocks to its own writer thread.
// Every suite here is named "...Thread": these run under ThreadSanitizer. (A
// failing disk under the thread is the writer contract's full-disk case.)

#include "export/txt/TXTFormatFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using oryxtest::readFile;
using oryxtest::TempDir;
using Strings = std::vector<std::string>;

namespace {

// Titles "n" and "text", widths 6 and 8: 22-byte lines.
std::unique_ptr<TXTFormatFile> makeLocalWriter() {
  auto txt = std::make_unique<TXTFormatFile>(std::list<std::string>{});
  EXPECT_EQ(txt->writeColumnTitle({"n", "text"}, "GBK", {6, 8}), 0);
  return txt;
}

std::string block(const std::string& n, const std::string& text) {
  const std::string blank = "*        *          *\n";
  return blank + "* " + n + std::string(7 - n.size(), ' ') + "* " + text + std::string(9 - text.size(), ' ') +
         "*\n" + blank + std::string(21, '*') + "\n";
}

// Writes records 0..count-1 tagged `tag`; returns the file content they should give.
std::string writeRecords(FormatFile& txt, int count, const std::string& tag) {
  std::string expected = std::string(21, '*') + "\n" + block("n", "text");
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(txt.writeRecord(std::list<std::string>{std::to_string(i), tag}), 0);
    expected += block(std::to_string(i), tag);
  }
  return expected;
}

}  // namespace

TEST(TxtWriterThread, ManyRecordsArriveCompleteAndInOrderThenTheThreadEnds) {
  TempDir dir;
  auto txt = makeLocalWriter();
  ASSERT_EQ(txt->startDocument(dir.file("t.txt").c_str()), 0);
  EXPECT_EQ(txt->thr_count(), 1u);
  // More than the 1 MiB the queue holds before putq waits.
  std::string expected = writeRecords(*txt, 20000, "many");
  // A record of more than 1 MiB travels in parts, in its place: 65536
  // lines of four double-byte pairs.
  std::string big;
  for (int k = 0; k < 256 * 1024; ++k) big += "\xD6\xD0";
  ASSERT_EQ(txt->writeRecord(Strings{"big", big}), 0);
  ASSERT_EQ(txt->writeRecord(Strings{"after", "x"}), 0);
  const std::string blank = "*        *          *\n";
  expected += blank;
  for (size_t k = 0; k < big.size(); k += 8)
    expected += (k == 0 ? "* big    * " : "*        * ") + big.substr(k, 8) + " *\n";
  expected += blank + std::string(21, '*') + "\n" + block("after", "x");
  ASSERT_EQ(txt->endDocument(), 0);
  EXPECT_EQ(txt->thr_count(), 0u);
  EXPECT_TRUE(readFile(dir.file("t.txt")) == expected);
}

// Destroyed with a document open, the writer writes it whole and returns.
TEST(TxtWriterThread, EachDocumentHoldsOnlyItsOwnBlocksAndDestroyingWritesTheOpenOne) {
  TempDir dir;
  std::string expected;
  {
    TXTFormatFile idle({});  // never started: its destructor finds no thread
    auto txt = makeLocalWriter();
    for (const std::string name : {"1", "2"}) {
      ASSERT_EQ(txt->startDocument(dir.file(name).c_str()), 0);
      expected = writeRecords(*txt, 50, name);
      ASSERT_EQ(txt->endDocument(), 0);
      EXPECT_EQ(readFile(dir.file(name)), expected) << name;
    }
    ASSERT_EQ(txt->startDocument(dir.file("open").c_str()), 0);
    expected = writeRecords(*txt, 5000, "x");
  }
  EXPECT_TRUE(readFile(dir.file("open")) == expected);
}
