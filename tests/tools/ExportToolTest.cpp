// Runs the built oryx-export on small inputs and checks its files, output
// and exit status.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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
  std::string out;
  std::string err;
};

// Runs the tool with `args`, standard input from `input` (a path, or none).
ToolRun runTool(const TempDir& dir, std::vector<std::string> args, const std::string& input = "/dev/null") {
#ifndef ORYX_EXPORT_TOOL
  (void)dir; (void)args; (void)input;
  return ToolRun();
#else
  const std::string outPath = dir.file(".stdout"), errPath = dir.file(".stderr");
  args.insert(args.begin(), ORYX_EXPORT_TOOL);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(dir.path().c_str()) != 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ToolRun run;
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return run;
#endif
}

class ExportTool : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef ORYX_EXPORT_TOOL
    GTEST_SKIP() << "oryx-export is not built";
#endif
  }
  // Writes `csv` as in.csv and converts it with `args`.
  ToolRun convert(const std::string& csv, const std::vector<std::string>& args) {
    writeFile(dir.file("in.csv"), csv);
    std::vector<std::string> all = args;
    all.push_back("in.csv");
    return runTool(dir, all);
  }
  bool hasWriter(const char* format) {
    return runTool(dir, {"--list-formats"}).out.find(std::string(format) + "\n") != std::string::npos;
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

TEST_F(ExportTool, PartSizeSplitsIntoListedParts) {
  const ToolRun run = convert("n\n1\n2\n3\n4\n5\n", {"--part-size", "2", "-o", "parts/n.csv"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "parts/n-1.csv\nparts/n-2.csv\nparts/n-3.csv\n");
  EXPECT_EQ(readFile(dir.file("parts/n-1.csv")), "n\n1\n2\n");
  EXPECT_EQ(readFile(dir.file("parts/n-3.csv")), "n\n5\n");
}

TEST_F(ExportTool, PartSizeNeedsAnExtension) {
  const ToolRun run = convert("n\n1\n", {"--part-size", "2", "-o", "a.d/noext"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("extension"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir.file("a.d")));
}

TEST_F(ExportTool, UnterminatedQuoteNamesTheRecordLineAndKeepsNoFile) {
  const ToolRun run = convert("a,b\n1,2\n3,\"open\nstill open\n", {"--part-size", "1", "-o", "o.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "oryx-export: error: in.csv line 3: unterminated quote: a quoted field of the "
                     "record starting on this line is never closed\n");
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists(dir.file("o-1.csv")));  // written before the error, then removed
}

TEST_F(ExportTool, MisplacedQuoteNamesItsLine) {
  const ToolRun run = convert("a,b\n\"multi\nline\",x\n1,a\"b\n", {"-o", "o.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("oryx-export: error: in.csv line 4: misplaced quote", 0), 0u) << run.err;
  EXPECT_FALSE(fs::exists(dir.file("o.csv")));
}

TEST_F(ExportTool, UnwritableOutputGivesTheReason) {
  writeFile(dir.file("plain"), "");  // a file where a directory would have to be
  const ToolRun run = convert("a\n1\n", {"-o", "plain/o.csv"});
  EXPECT_EQ(run.status, 1);
  // The writer's own report, then the tool's one line.
  EXPECT_EQ(run.err, "oryx-export: CSVFormatFile::startDocument: open fail, file=plain/o.csv, errno=20.\n"
                     "oryx-export: error: cannot write plain/o.csv: Not a directory\n");
}

TEST_F(ExportTool, EmptyOrMissingInputFails) {
  ToolRun run = convert("", {"-o", "o.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no title row"), std::string::npos) << run.err;
  run = runTool(dir, {"-o", "o.csv", "absent.csv"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "oryx-export: error: cannot read absent.csv: No such file or directory\n");
  EXPECT_FALSE(fs::exists(dir.file("o.csv")));
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
  if (!hasWriter("xml")) GTEST_SKIP() << "no XML writer in this build";
  const ToolRun run = convert("a,b\n1,2\n1,2,3\n", {"-f", "xml", "-o", "o.xml"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("more than 2 record columns."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("error: in.csv line 3: the record has 3 fields, more than the 2 column titles"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir.file("o.xml")));
}

TEST_F(ExportTool, EveryAvailableFormatWritesAFile) {
  for (const char* format : {"html", "xml", "txt"}) {
    if (!hasWriter(format)) continue;
    const ToolRun run = convert(kAwkward, {"-f", format, "--widths", "4,8,8", "--encoding", "UTF-8",
                                       "--part-size", "2", "-o", std::string("o.") + format});
    EXPECT_EQ(run.status, 0) << format << run.err;
    EXPECT_EQ(run.out, std::string("o-1.") + format + "\no-2." + format + "\n");
  }
}
