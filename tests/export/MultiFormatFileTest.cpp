#include "oryxutil/export/MultiFormatFile.h"

#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::TraceCapture;
using Names = std::list<std::string>;
namespace fs = std::filesystem;

namespace {

// A writer that logs every call and fails on demand.
struct FakeWriter : FormatFile {
  std::vector<std::string>* log;
  int* destroyed;
  bool failStart = false;  // every startDocument after the first fails
  bool failWrite = false, open = false;
  int starts = 0;

  FakeWriter(std::vector<std::string>* l, int* d) : log(l), destroyed(d) {}
  ~FakeWriter() override { ++*destroyed; }

  long startDocument(const char* name, const char* encoding) override {
    log->push_back(std::string("start ") + name + " " + (encoding ? encoding : "(null)"));
    if (open || (failStart && starts > 0)) return -1;
    ++starts;
    return open = true, 0;
  }
  long startDocument(const char* name) override { return startDocument(name, nullptr); }
  long endDocument() override {
    log->push_back("end");
    return open ? (open = false, 0) : -1;
  }
  long writeRecord(const std::vector<std::string>& r) override { return write("vector " + r.at(0)); }
  long writeRecord(const std::list<std::string>& r) override { return write("list " + r.front()); }
  long writeColumnTitle(const std::list<std::string>& t, const char* e, const std::list<long>& w) override {
    log->push_back("titles5 " + t.front() + " " + e + " " + std::to_string(w.front()));
    return 0;
  }
  long writeColumnTitle(const std::list<std::string>& t, const std::list<long>& w) override {
    log->push_back("titles6 " + t.front() + " " + std::to_string(w.size()));
    return -1;
  }
  void setFileNameCoding(const std::string& c) override { log->push_back("coding " + c); }
  long write(const std::string& entry) {
    log->push_back(entry);
    return open && !failWrite ? 0 : -1;
  }
};

struct FakeFixture : ::testing::Test {
  std::vector<std::string> log;
  int destroyed = 0;
  FakeWriter* fake = new FakeWriter(&log, &destroyed);
  MultiFormatFile parts{fake, 2, true};
};

// Exports `count` records "r1".."rN" under the title "id" through a CSV
// writer in parts of `perPart`; returns the part names.
Names exportCsv(const std::string& path, int count, unsigned long perPart) {
  MultiFormatFile parts(FormatFileFactory::getFormatFile("csv", {}), perPart, true);
  EXPECT_EQ(parts.writeColumnTitle({"id"}, {}), 0);
  EXPECT_EQ(parts.startDocument(path.c_str()), 0);
  for (int i = 1; i <= count; ++i) {
    EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"r" + std::to_string(i)}), 0);
  }
  Names files;
  EXPECT_EQ(parts.endDocument(files), 0);
  return files;
}

// Runs the test body with the working directory set to `dir`.
struct CurrentDir {
  std::string old = fs::current_path().string();
  explicit CurrentDir(const std::string& dir) { fs::current_path(dir); }
  ~CurrentDir() { fs::current_path(old); }
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

// The CSV writer inside gets the path with backslashes and must take them as separators.
TEST(PartPaths, ForwardSlashesBecomeBackslashesAndMissingLevelsAreCreated) {
  TempDir dir;
  EXPECT_EQ(exportCsv(dir.path() + "/exp/sub/report.csv", 1, 5), (Names{"report-1.csv"}));
  EXPECT_EQ(readFile(dir.path() + "/exp/sub/report-1.csv"), "id\nr1\n");
}

TEST(PartPaths, RelativePathNeedsADotAndASeparatorAndItsFirstDirectory) {
  TempDir dir;
  CurrentDir here(dir.path());
  {
    TraceCapture trace;
    MultiFormatFile parts(FormatFileFactory::getFormatFile("csv", {}), 3, true);
    for (const char* path : {"sub/report", "report.csv", static_cast<const char*>(nullptr)}) {
      EXPECT_EQ(parts.startDocument(path), -1);  // refused before the writer is reached
    }
    EXPECT_TRUE(trace.texts().empty());
    EXPECT_EQ(parts.startDocument("a/b/x.csv"), -1);  // "a" must exist already
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(trace.texts().size(), 1u);  // the CSV writer reports the failed open
  }
  fs::create_directory(dir.file("a"));
  EXPECT_EQ(exportCsv("a/b/x.csv", 1, 3), (Names{"x-1.csv"}));
  EXPECT_TRUE(fs::exists(dir.file("a/b/x-1.csv")));
}

TEST_F(FakeFixture, LastDotOfTheWholePathSplitsTheName) {
  ASSERT_EQ(parts.startDocument("D:\\exp.old\\report"), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"start D:\\exp-1.old\\report (null)"}));
}

TEST_F(FakeFixture, EveryOperationReachesTheInnerWriter) {
  EXPECT_EQ(parts.writeColumnTitle({"t"}, "GBK", {7}), 0);
  EXPECT_EQ(parts.writeColumnTitle({"u"}, {1, 2}), -1);  // the inner result comes back
  parts.setFileNameCoding("GBK");
  ASSERT_EQ(parts.startDocument("/x/r.txt", "ISO-8859-1"), 0);
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"a"}), 0);
  EXPECT_EQ(parts.writeRecord(std::list<std::string>{"b"}), 0);
  EXPECT_EQ(parts.writeRecord(std::list<std::string>{"c"}), 0);
  Names files;
  EXPECT_EQ(parts.endDocument(files), 0);
  EXPECT_EQ(files, (Names{"r-1.txt", "r-2.txt"}));
  // The first part gets the caller's encoding, a roll-over none.
  EXPECT_EQ(log, (std::vector<std::string>{"titles5 t GBK 7", "titles6 u 2", "coding GBK",
                                           "start \\x\\r-1.txt ISO-8859-1", "vector a", "list b",
                                           "end", "start \\x\\r-2.txt (null)", "list c", "end"}));
}

TEST_F(FakeFixture, RefusedRecordIsNotCountedAndAFailedRollOverLeavesNoPartOpen) {
  ASSERT_EQ(parts.startDocument("/x/r.csv"), 0);
  fake->failWrite = true;
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"a"}), -1);
  fake->failWrite = false;
  fake->failStart = true;
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"b"}), 0);
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"c"}), 0);  // "a" took no place in the part
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"d"}), -1);
  EXPECT_EQ(log.back(), "start \\x\\r-2.csv (null)");
  log.clear();
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"e"}), -1);
  EXPECT_TRUE(log.empty());  // nothing reaches the writer any more
  Names files{"stale"};
  EXPECT_EQ(parts.endDocument(files), -1);
  EXPECT_TRUE(files.empty());
}

TEST_F(FakeFixture, StartWhileStartedFailsAndEndingAPartKeepsTheRun) {
  ASSERT_EQ(parts.startDocument("/x/r.csv"), 0);
  EXPECT_EQ(parts.startDocument("/y/s.csv"), -1);
  for (const char* id : {"a", "b", "c"}) ASSERT_EQ(parts.writeRecord(std::vector<std::string>{id}), 0);
  EXPECT_EQ(parts.endDocument(), 0);
  EXPECT_EQ(parts.endDocument(), -1);
  // Past the first part the run goes on under its own name, whatever the path.
  ASSERT_EQ(parts.startDocument("/y/s.csv"), 0);
  EXPECT_EQ(log.back(), "start \\x\\r-2.csv (null)");
  Names files;
  EXPECT_EQ(parts.endDocument(files), 0);
  EXPECT_EQ(files, (Names{"r-1.csv", "r-2.csv", "r-2.csv"}));
  // A new run starts from the new path and number 1.
  ASSERT_EQ(parts.startDocument("/y/s.csv"), 0);
  EXPECT_EQ(log.back(), "start \\y\\s-1.csv (null)");
}

TEST(PartOwnership, CopiesShareTheWriterAndOnlyTheOriginalDeletesIt) {
  std::vector<std::string> log;
  int destroyed = 0;
  {
    auto original = std::make_unique<MultiFormatFile>(new FakeWriter(&log, &destroyed), 3, true);
    MultiFormatFile copy(*original);
    MultiFormatFile assigned(nullptr, 1, false);
    assigned = copy;
    assigned = assigned;
    EXPECT_EQ(assigned.startDocument("/x/r.csv"), 0);  // reaches the shared writer
    EXPECT_EQ(log.size(), 1u);
    original.reset();
    EXPECT_EQ(destroyed, 1);
  }
  EXPECT_EQ(destroyed, 1);
  auto borrowed = std::make_unique<FakeWriter>(&log, &destroyed);
  { MultiFormatFile borrowing(borrowed.get(), 3, false); }
  EXPECT_EQ(destroyed, 1);
}

TEST(PartOwnership, NullWriterFailsEverywhere) {
  MultiFormatFile parts(nullptr, 3, true);
  EXPECT_EQ(parts.writeColumnTitle({"a"}, {}), -1);
  EXPECT_EQ(parts.writeColumnTitle({"a"}, "UTF-8", {}), -1);
  parts.setFileNameCoding("GBK");
  EXPECT_EQ(parts.startDocument("/x/r.csv"), -1);
  EXPECT_EQ(parts.writeRecord(std::vector<std::string>{"a"}), -1);
  EXPECT_EQ(parts.endDocument(), -1);
  Names files;
  EXPECT_EQ(parts.endDocument(files), -1);
}
