// SPDX-License-Identifier: Apache-2.0
// The part-file wrapper around real writers: roll-over, part names and
// paths, what it counts, and who deletes the writer inside.
#include "oryxutil/export/MultiFormatFile.h"

#include "export/csv/CSVFormatFile.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::TempDir;
using Names = std::list<std::string>;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// Exports `count` records "r1".."rN" under the title "id" through a CSV
// writer in parts of `perPart`; returns the part names.
Names exportCsv(const std::string& path, int count, unsigned long perPart) {
  MultiFormatFile parts(FormatFileFactory::getFormatFile("csv", {}), perPart, true);
  EXPECT_EQ(parts.writeColumnTitle({"id"}, {}), 0);
  EXPECT_EQ(parts.startDocument(path.c_str()), 0);
  for (int i = 1; i <= count; ++i) EXPECT_EQ(parts.writeRecord(Strings{"r" + std::to_string(i)}), 0);
  Names files;
  EXPECT_EQ(parts.endDocument(files), 0);
  return files;
}

// A CSV writer that counts its deletions.
struct CountedCsv : CSVFormatFile {
  explicit CountedCsv(int* deleted) : CSVFormatFile({}), m_deleted(deleted) {}
  ~CountedCsv() override { ++*m_deleted; }
  int* m_deleted;
};

}  // namespace

TEST(PartRollOver, RecordsFillPartsInOrderAndNoEmptyPartIsLeftBehind) {
  const struct {
    int count;
    unsigned long perPart;
    std::vector<std::string> contents;  // of report-1.csv, report-2.csv, ...
  } cases[] = {
      {7, 3, {"id\nr1\nr2\nr3\n", "id\nr4\nr5\nr6\n", "id\nr7\n"}},
      {6, 3, {"id\nr1\nr2\nr3\n", "id\nr4\nr5\nr6\n"}},
      {2, 0, {"id\n", "id\nr1\n", "id\nr2\n"}},  // zero: every record in a part of its own
  };
  for (const auto& c : cases) {
    TempDir dir;
    const Names files = exportCsv(dir.file("report.csv"), c.count, c.perPart);
    Names expected;
    for (size_t i = 0; i < c.contents.size(); ++i) {
      expected.push_back("report-" + std::to_string(i + 1) + ".csv");
      EXPECT_EQ(readFile(dir.file(expected.back())), c.contents[i]) << expected.back();
    }
    EXPECT_EQ(files, expected) << c.count << "/" << c.perPart;
    EXPECT_FALSE(fs::exists(dir.file("report-" + std::to_string(c.contents.size() + 1) + ".csv")));
  }
}

// The writer inside gets the path with backslashes and must take them as separators.
TEST(PartPaths, SlashesBecomeBackslashesAndMissingLevelsAreCreated) {
  TempDir dir;
  EXPECT_EQ(exportCsv(dir.path() + "/exp/sub/report.csv", 1, 5), (Names{"report-1.csv"}));
  EXPECT_EQ(readFile(dir.path() + "/exp/sub/report-1.csv"), "id\nr1\n");
  oryxtest::TraceCapture trace;
  MultiFormatFile parts(FormatFileFactory::getFormatFile("csv", {}), 3, true);
  for (const char* path : {"sub/report", "report.csv", static_cast<const char*>(nullptr)})
    EXPECT_EQ(parts.startDocument(path), -1);  // refused before the writer is reached
  EXPECT_TRUE(trace.texts().empty());
}

TEST(PartRollOver, ARefusedRecordIsNotCountedAndEndingAPartKeepsTheRun) {
  TempDir dir;
  MultiFormatFile parts(FormatFileFactory::getFormatFile("csv", {}), 2, true);
  ASSERT_EQ(parts.writeColumnTitle({"t"}, {}), 0);
  ASSERT_EQ(parts.startDocument(dir.file("r.csv").c_str()), 0);
  MultiFormatFile refusing(FormatFileFactory::getFormatFile("txt", {}), 1, true);
  ASSERT_EQ(refusing.writeColumnTitle({"t"}, "UTF-8", {}), 0);
  ASSERT_EQ(refusing.startDocument(dir.file("r.txt").c_str()), 0);
  EXPECT_EQ(refusing.writeRecord(Strings{}), -1);  // the TXT writer refuses it: no place taken
  ASSERT_EQ(refusing.writeRecord(Strings{"a"}), 0);
  EXPECT_EQ(refusing.endDocument(), 0);
  EXPECT_FALSE(fs::exists(dir.file("r-2.txt")));
  for (const char* value : {"a", "b", "c"}) ASSERT_EQ(parts.writeRecord(Strings{value}), 0);
  EXPECT_EQ(parts.endDocument(), 0);
  EXPECT_EQ(parts.endDocument(), -1);
  // Past the first part the run goes on under its own name, whatever the path.
  ASSERT_EQ(parts.startDocument(dir.file("other.csv").c_str()), 0);
  Names files;
  EXPECT_EQ(parts.endDocument(files), 0);
  EXPECT_EQ(files, (Names{"r-1.csv", "r-2.csv", "r-2.csv"}));
  EXPECT_EQ(readFile(dir.file("r-1.csv")), "t\na\nb\n");
}

TEST(PartOwnership, CopiesShareTheWriterAndOnlyTheOriginalDeletesIt) {
  TempDir dir;
  int deleted = 0;
  {
    auto original = std::make_unique<MultiFormatFile>(new CountedCsv(&deleted), 3, true);
    MultiFormatFile copy(*original);
    MultiFormatFile assigned(nullptr, 1, false);
    assigned = copy;
    assigned = assigned;
    EXPECT_EQ(assigned.startDocument(dir.file("r.csv").c_str()), 0);  // reaches the shared writer
    original.reset();
    EXPECT_EQ(deleted, 1);
  }
  EXPECT_EQ(deleted, 1);
  CountedCsv borrowed(&deleted);
  { MultiFormatFile borrowing(&borrowed, 3, false); }
  EXPECT_EQ(deleted, 1);
}
