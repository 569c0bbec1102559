// SPDX-License-Identifier: Apache-2.0
// The output switches: gzip and zstd streams read back by gzip -dc and
// zstd -dc byte for byte as the plain export (part files too), readable up
// to the last record while the export still runs, and records gathered
// into large writes when they need not be flushed one by one.
#include "oryxutil/export/FormatFile.h"
#include "oryxutil/export/MultiFormatFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using oryxtest::readFile;
using Strings = std::vector<std::string>;

namespace {

struct Codec {
  const char* label;
  oryx::Compression compression;
  const char* suffix;
  const char* reader;  // decompresses its argument to standard output
};

void PrintTo(const Codec& codec, std::ostream* out) { *out << codec.label; }

const Codec kCodecs[] = {
    {"Gzip", oryx::Compression::gzip, ".gz", "gzip -dc"},
    {"Zstd", oryx::Compression::zstd, ".zst", "zstd -qdc"},
};

Strings record(int i) {
  return {std::to_string(i), "text, \"quoted\" " + std::string(i % 50, 'x'), "\xE6\x9D\xB1\xE4\xBA\xAC"};
}

class Compressed : public ::testing::TestWithParam<Codec> {
 protected:
  // What the reader makes of `file` (a cut-short stream gives what it can).
  std::string decompressed(const std::string& file) {
    const std::string out = dir.file("decompressed");
    std::system((std::string(GetParam().reader) + " " + file + " >" + out + " 2>/dev/null").c_str());
    return readFile(out);
  }
  oryx::WriterOptions options(int level = 0) {
    oryx::WriterOptions made;
    made.compression = GetParam().compression;
    made.compressionLevel = level;
    return made;
  }
  // An export of `count` records in parts of `part` records; the part names.
  std::list<std::string> writeParts(const char* type, const std::string& path, const oryx::WriterOptions& with,
                                    int count, int part) {
    MultiFormatFile parts(oryx::makeWriter(type, {"E", "R"}, with).release(), part, true);
    EXPECT_EQ(parts.writeColumnTitle({"id", "text", "city"}, {}), 0);
    EXPECT_EQ(parts.startDocument(path.c_str()), 0);
    for (int i = 0; i < count; ++i) EXPECT_EQ(parts.writeRecord(record(i)), 0);
    std::list<std::string> files;
    EXPECT_EQ(parts.endDocument(files), 0);
    return files;
  }

  oryxtest::TempDir dir;
};

}  // namespace

TEST_P(Compressed, EveryPartDecompressesToThePlainExportAndKeepsTheCodecSuffixLast) {
  const std::string suffix = GetParam().suffix;
  for (const char* type : {"csv", "ndjson", "xml", "html", "txt"}) {
    for (int level : {0, 1, 9}) {
      SCOPED_TRACE(std::string(type) + " level " + std::to_string(level));
      const std::list<std::string> plain = writeParts(type, dir.file("plain.out"), oryx::WriterOptions(), 2500, 1000);
      const std::list<std::string> packed = writeParts(type, dir.file("report.out" + suffix), options(level), 2500, 1000);
      ASSERT_EQ(packed, (std::list<std::string>{"report-1.out" + suffix, "report-2.out" + suffix,
                                                "report-3.out" + suffix}));
      for (int i = 1; i <= 3; ++i) {
        const std::string part = dir.file("report-" + std::to_string(i) + ".out" + suffix);
        EXPECT_EQ(decompressed(part), readFile(dir.file("plain-" + std::to_string(i) + ".out")));
      }
    }
  }
}

TEST_P(Compressed, ACopyTakenWhileTheExportRunsHoldsEveryRecordSoFar) {
  const std::string file = dir.file("live.csv") + GetParam().suffix;
  auto writer = oryx::makeWriter("csv", {}, options());
  ASSERT_EQ(writer->writeColumnTitle({"id", "text", "city"}, {}), 0);
  ASSERT_EQ(writer->startDocument(file.c_str()), 0);
  std::string expected = "id,text,city\n";
  for (int i = 0; i < 20000; ++i) {
    ASSERT_EQ(writer->writeRecord(record(i)), 0);
    const Strings fields = record(i);
    expected += fields[0] + ",\"" + "text, \"\"quoted\"\" " + std::string(i % 50, 'x') + "\"," + fields[2] + "\n";
    if (i == 0 || i == 777 || i == 19998) {
      oryxtest::writeFile(dir.file("copy"), readFile(file));
      ASSERT_EQ(decompressed(dir.file("copy")), expected) << "after record " << i;
    }
  }
  ASSERT_EQ(writer->endDocument(), 0);
  EXPECT_EQ(decompressed(file), expected);
}

INSTANTIATE_TEST_SUITE_P(Codecs, Compressed, ::testing::ValuesIn(kCodecs),
                         [](const ::testing::TestParamInfo<Codec>& info) { return info.param.label; });

TEST(GatheredRecords, WithoutPerRecordFlushingTheFileIsCompleteOnlyAtTheEnd) {
  oryxtest::TempDir dir;
  for (const char* type : {"csv", "json", "ndjson"}) {
    SCOPED_TRACE(type);
    const std::string file = dir.file(std::string("t.") + type);
    for (bool flushEach : {true, false}) {
      oryx::WriterOptions options;
      options.flushEachRecord = flushEach;
      auto writer = oryx::makeWriter(type, {}, options);
      ASSERT_EQ(writer->writeColumnTitle({"a"}, {}), 0);
      ASSERT_EQ(writer->startDocument(file.c_str()), 0);
      const size_t head = readFile(file).size();
      for (int i = 0; i < 1000; ++i) ASSERT_EQ(writer->writeRecord(Strings{"value"}), 0);
      if (flushEach) {
        EXPECT_GT(readFile(file).size(), head + 1000 * 5);
      } else {
        EXPECT_EQ(readFile(file).size(), head);
      }
      ASSERT_EQ(writer->endDocument(), 0);
      EXPECT_GT(readFile(file).size(), head + 1000 * 5);
    }
  }
}
