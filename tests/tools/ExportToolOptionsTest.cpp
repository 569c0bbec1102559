// SPDX-License-Identifier: Apache-2.0
// oryx-export's JSON formats, compressed output and column selection, end
// to end: the built tool run on a small table, its files read back by
// independent programs (Python's json, gzip, zstd).
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

using oryxtest::readFile;
using oryxtest::writeFile;

namespace {

#ifdef ORYX_EXPORT_TOOL
const char kTool[] = ORYX_EXPORT_TOOL;
#else
const char kTool[] = "";
#endif

const char kTable[] =
    "id,name,city,note,name\n"
    "1,Ann,\xE6\x9D\xB1\xE4\xBA\xAC,\"a, \"\"b\"\"\",A2\n"
    "2,Bob,Krak\xC3\xB3w,\"multi\nline\",B2\n";

class ExportToolOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(kTool).empty()) GTEST_SKIP() << "oryx-export is not built";
    writeFile(dir.file("in.csv"), kTable);
  }
  // Runs a shell command line in the test directory: its exit status.
  int shell(const std::string& line) {
    const int status = std::system(("cd " + dir.path() + " && " + line + " 2>" + dir.file("err")).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int tool(const std::string& args) { return shell(std::string(kTool) + " -q " + args + " in.csv"); }
  // The rows of a JSON or NDJSON file as Python prints them.
  std::string pythonRows(const std::string& file) {
    const std::string program =
        "import json, sys\n"
        "text = open(sys.argv[1], encoding='utf-8').read()\n"
        "rows = json.loads(text) if text.startswith('[') else [json.loads(l) for l in text.split('\\n')[:-1]]\n"
        "for row in rows: print(sorted(row.items()))\n";
    writeFile(dir.file("rows.py"), program);
    EXPECT_EQ(shell("/usr/bin/python3 rows.py " + file + " >rows.out"), 0);
    return readFile(dir.file("rows.out"));
  }

  oryxtest::TempDir dir;
};

const char kRows[] =
    "[('city', '\xE6\x9D\xB1\xE4\xBA\xAC'), ('id', '1'), ('name', 'Ann'), ('name_2', 'A2'), ('note', 'a, \"b\"')]\n"
    "[('city', 'Krak\xC3\xB3w'), ('id', '2'), ('name', 'Bob'), ('name_2', 'B2'), ('note', 'multi\\nline')]\n";

}  // namespace

TEST_F(ExportToolOptions, JsonAndNdjsonHoldEveryRecordKeyedByTheTitles) {
  ASSERT_EQ(tool("-f json -o t.json"), 0) << readFile(dir.file("err"));
  EXPECT_EQ(pythonRows("t.json"), kRows);
  ASSERT_EQ(tool("--format NDJSON -o t.ndjson"), 0) << readFile(dir.file("err"));
  EXPECT_EQ(pythonRows("t.ndjson"), kRows);
}

TEST_F(ExportToolOptions, TheSuffixOrCompressChoosesTheCodecPartFilesIncluded) {
  ASSERT_EQ(tool("-o plain.csv"), 0);
  const std::string plain = readFile(dir.file("plain.csv"));
  ASSERT_EQ(tool("-o t.csv.gz"), 0);
  ASSERT_EQ(shell("gzip -dc t.csv.gz >t.out"), 0);
  EXPECT_EQ(readFile(dir.file("t.out")), plain);
  ASSERT_EQ(tool("--compress zstd -o t.csv"), 0);
  ASSERT_EQ(shell("zstd -qdc t.csv >t.out"), 0);
  EXPECT_EQ(readFile(dir.file("t.out")), plain);
  // Parts keep the codec's suffix last.
  ASSERT_EQ(tool("-f ndjson --part-size 1 -o p.ndjson.zst"), 0) << readFile(dir.file("err"));
  ASSERT_EQ(shell("zstd -qdc p-1.ndjson.zst p-2.ndjson.zst >p.ndjson"), 0);
  EXPECT_EQ(pythonRows("p.ndjson"), kRows);
  EXPECT_EQ(tool("-f xlsx -o t.xlsx.gz"), 2);
}

TEST_F(ExportToolOptions, SelectTakesNamesIndexesAndRangesInTheOrderGiven) {
  ASSERT_EQ(tool("--select city,1,4-5 -o s.csv"), 0) << readFile(dir.file("err"));
  EXPECT_EQ(readFile(dir.file("s.csv")),
            "city,id,note,name\n\xE6\x9D\xB1\xE4\xBA\xAC,1,\"a, \"\"b\"\"\",A2\nKrak\xC3\xB3w,2,\"multi\nline\",B2\n");
  // A reversed range, an open end and the second column of a repeated name.
  ASSERT_EQ(tool("--select 3-2,name[1],4- -o s.csv"), 0) << readFile(dir.file("err"));
  EXPECT_EQ(readFile(dir.file("s.csv")).substr(0, 30), "city,name,name,note,name\n\xE6\x9D\xB1\xE4\xBA");
  EXPECT_EQ(tool("--select nosuch -o s.csv"), 2);
  EXPECT_NE(readFile(dir.file("err")).find("no column named nosuch"), std::string::npos);
  EXPECT_EQ(tool("--select 0 -o s.csv"), 2);
}
