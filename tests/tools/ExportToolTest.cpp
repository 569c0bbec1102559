// Runs the built oryx-export on small inputs and checks its files, output
// and exit status.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::TempDir;
using oryxtest::writeFile;
namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs the tool in `dir` with `args`, standard input from `input` (a path).
ToolRun runTool(const TempDir& dir, const std::vector<std::string>& args, const std::string& input = "/dev/null") {
  ToolRun run;
#ifdef ORYX_EXPORT_TOOL
  std::string line = "cd " + dir.path() + " && " ORYX_EXPORT_TOOL;
  for (const std::string& arg : args) line += " '" + arg + "'";
  const int status = std::system((line + " <" + input + " >.stdout 2>.stderr").c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readFile(dir.file(".stdout"));
  run.err = readFile(dir.file(".stderr"));
#else
  (void)dir, (void)args, (void)input;
#endif
  return run;
}

class ExportTool : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef ORYX_EXPORT_TOOL
    GTEST_SKIP() << "oryx-export is not built";
#endif
  }
  // Writes `csv` as in.csv and converts it with `args`.
  ToolRun convert(const std::string& csv, std::vector<std::string> args) {
    writeFile(dir.file("in.csv"), csv);
    args.push_back("in.csv");
    return runTool(dir, args);
  }
  TempDir dir;
};

const std::string kAwkward =
    "id,name,note\r\n"
    "1,Z\xC3\xBCrich,\"a, b\"\r\n"
    "\r\n"
    "2,\"say \"\"hi\"\"\",\"two\nlines\"\n"
    "3, blanks kept ,\n";

}  // namespace

TEST_F(ExportTool, CsvRoundTripKeepsEveryFieldAndListsTheFile) {
  const ToolRun run = convert(kAwkward, {"-o", "out.csv"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "out.csv\n");
  EXPECT_EQ(run.err, "");  // no progress line when stderr is not a terminal
  EXPECT_EQ(readFile(dir.file("out.csv")),
            "id,name,note\n1,Z\xC3\xBCrich,\"a, b\"\n2,\"say \"\"hi\"\"\",\"two\nlines\"\n3, blanks kept ,\n");
}

TEST_F(ExportTool, LongInputRoundTripsAcrossReadBlocks) {
  // Plain, quoted and multi-line records of varying length, far beyond one
  // read block, already in the writer's own quoting: out equals in.
  std::string csv = "k,v\n";
  for (int i = 0; i < 4000; ++i) {
    const std::string pad(static_cast<size_t>(i % 97), 'x');
    csv += std::to_string(i) + (i % 3 == 0   ? ",plain " + pad
                                : i % 3 == 1 ? ",\"q,\"\"" + pad + "\"\"\""
                                             : ",\"two\n" + pad + "\"") + "\n";
  }
  const ToolRun run = convert(csv, {"-o", "out.csv"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(readFile(dir.file("out.csv")) == csv);
}

TEST_F(ExportTool, StandardInputAndMissingDirectoriesWork) {
  writeFile(dir.file("t.csv"), "a\nx\n");
  const ToolRun run = runTool(dir, {"-o", "new/deeper/o.csv"}, dir.file("t.csv"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(readFile(dir.file("new/deeper/o.csv")), "a\nx\n");
}

TEST_F(ExportTool, PartSizeSplitsIntoListedPartsAndNeedsAnExtension) {
  ToolRun run = convert("n\n1\n2\n3\n4\n5\n", {"--part-size", "2", "-o", "parts/n.csv"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "parts/n-1.csv\nparts/n-2.csv\nparts/n-3.csv\n");
  EXPECT_EQ(readFile(dir.file("parts/n-1.csv")), "n\n1\n2\n");
  EXPECT_EQ(readFile(dir.file("parts/n-3.csv")), "n\n5\n");
  run = convert("n\n1\n", {"--part-size", "2", "-o", "a.d/noext"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("extension"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir.file("a.d")));
}

TEST_F(ExportTool, QuoteErrorsNameTheRecordLineAndKeepNoFile) {
  ToolRun run = convert("a,b\n1,2\n3,\"open\nstill open\n", {"--part-size", "1", "-o", "o.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "oryx-export: error: in.csv line 3: unterminated quote: a quoted field of the "
                     "record starting on this line is never closed\n");
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists(dir.file("o-1.csv")));  // written before the error, then removed
  run = convert("a,b\n\"multi\nline\",x\n1,a\"b\n", {"-o", "o.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("oryx-export: error: in.csv line 4: misplaced quote", 0), 0u) << run.err;
  EXPECT_FALSE(fs::exists(dir.file("o.csv")));
}

TEST_F(ExportTool, UnreadableInputOrUnwritableOutputGivesTheReason) {
  ToolRun run = convert("", {"-o", "o.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no title row"), std::string::npos) << run.err;
  run = runTool(dir, {"-o", "o.csv", "absent.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "oryx-export: error: cannot read absent.csv: No such file or directory\n");
  EXPECT_FALSE(fs::exists(dir.file("o.csv")));
  writeFile(dir.file("plain"), "");  // a file where a directory would have to be
  run = convert("a\n1\n", {"-o", "plain/o.csv"});
  EXPECT_EQ(run.status, 1);
  // The writer's own report, then the tool's one line.
  EXPECT_EQ(run.err, "oryx-export: CSVFormatFile::startDocument: open fail, file=plain/o.csv, errno=20.\n"
                     "oryx-export: error: cannot write plain/o.csv: Not a directory\n");
}

TEST_F(ExportTool, BadOptionsExitWithTwoAndHelpShowsEveryOption) {
  EXPECT_EQ(runTool(dir, {"-f", "pdf", "-o", "x"}).status, 2);
  EXPECT_EQ(runTool(dir, {"in.csv"}).status, 2);  // no --output
  EXPECT_EQ(runTool(dir, {"--widths", "3,-1", "-o", "x"}).status, 2);
  EXPECT_EQ(runTool(dir, {"--encoding", "utf-8", "-o", "x"}).status, 2);
  const ToolRun help = runTool(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--format", "--output", "--part-size", "--widths", "--export-name",
                             "--record-name", "--encoding", "Examples:"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

TEST_F(ExportTool, XmlRecordWithMoreFieldsThanTitlesIsRefused) {
  const ToolRun run = convert("a,b\n1,2\n1,2,3\n", {"-f", "xml", "-o", "o.xml"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("more than 2 record columns."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("error: in.csv line 3: the record has 3 fields, more than the 2 column titles"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir.file("o.xml")));
}

TEST_F(ExportTool, EveryOtherFormatWritesItsParts) {
  for (const char* format : {"html", "xml", "txt"}) {
    const ToolRun run = convert(kAwkward, {"-f", format, "--widths", "4,8,8", "--encoding", "UTF-8",
                                       "--part-size", "2", "-o", std::string("o.") + format});
    EXPECT_EQ(run.status, 0) << format << run.err;
    EXPECT_EQ(run.out, std::string("o-1.") + format + "\no-2." + format + "\n");
  }
}
