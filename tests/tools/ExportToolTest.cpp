// SPDX-License-Identifier: Apache-2.0
// Runs the built oryx-export as a process and checks its files, streams,
// messages and exit status; JSON and compressed files are read back by
// Python's json, gzip and zstd.
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using oryxtest::readFile;
using oryxtest::shellQuoted;
using oryxtest::ShellRun;
using oryxtest::TempDir;
using oryxtest::writeFile;
namespace fs = std::filesystem;

namespace {

#ifdef ORYX_EXPORT_TOOL
const char kTool[] = ORYX_EXPORT_TOOL;
#else
const char kTool[] = "";
#endif

class ExportTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(kTool).empty()) GTEST_SKIP() << "oryx-export is not built";
  }
  // Runs the tool in the test directory: `args`, standard input from
  // `input`, after the shell commands `before`.
  ShellRun run(const std::vector<std::string>& args, const std::string& input = "/dev/null",
               const std::string& before = "") {
    std::string line = before + " $T";
    for (const std::string& arg : args) line += " " + shellQuoted(arg);
    return shell(line, input);
  }
  // Runs a shell command line in the test directory, $T the tool.
  ShellRun shell(const std::string& line, const std::string& input = "/dev/null") {
    return oryxtest::runShell(dir.path(), "T=" + shellQuoted(kTool) + "\n" + line, input);
  }
  // Writes `csv` as in.csv and converts it with `args`.
  ShellRun convert(const std::string& csv, std::vector<std::string> args) {
    writeFile(dir.file("in.csv"), csv);
    args.push_back("in.csv");
    return run(args);
  }
  // Every name in the test directory tree, for "nothing else was left".
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
      names.push_back(entry.path().lexically_relative(dir.path()).string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // The rows of a JSON or NDJSON file as Python's json reads them.
  std::string pythonRows(const std::string& file) {
    writeFile(dir.file("rows.py"),
              "import json, sys\n"
              "text = open(sys.argv[1], encoding='utf-8').read()\n"
              "rows = json.loads(text) if text.startswith('[') else [json.loads(l) for l in "
              "text.split('\\n')[:-1]]\n"
              "for row in rows: print(sorted(row.items()))\n");
    const ShellRun read = shell("/usr/bin/python3 rows.py " + file);
    EXPECT_EQ(read.status, 0) << read.err;
    return read.out;
  }
  TempDir dir;
};

const std::string kBom = "\xEF\xBB\xBF";
const std::string kAwkward =
    "id,name,note\r\n"
    "1,Z\xC3\xBCrich,\"a, b\"\r\n"
    "\r\n"
    "2,\"say \"\"hi\"\"\",\"two\nlines\"\n"
    "3, blanks kept ,\n";

// A repeated title and text that JSON must escape.
const char kTable[] =
    "id,name,city,note,name\n"
    "1,Ann,\xE6\x9D\xB1\xE4\xBA\xAC,\"a, \"\"b\"\"\",A2\n"
    "2,Bob,Krak\xC3\xB3w,\"multi\nline\",B2\n";
const char kRows[] =
    "[('city', '\xE6\x9D\xB1\xE4\xBA\xAC'), ('id', '1'), ('name', 'Ann'), ('name_2', 'A2'), ('note', 'a, "
    "\"b\"')]\n"
    "[('city', 'Krak\xC3\xB3w'), ('id', '2'), ('name', 'Bob'), ('name_2', 'B2'), ('note', 'multi\\nline')]\n";

}  // namespace

TEST_F(ExportTool, CsvRoundTripKeepsEveryFieldFromAFileOrStandardInputAndListsTheFile) {
  const ShellRun result = convert(kAwkward, {"-o", "out.csv"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "out.csv\n");  // no progress line when stderr is not a terminal
  EXPECT_EQ(
      readFile(dir.file("out.csv")),
      "id,name,note\n1,Z\xC3\xBCrich,\"a, b\"\n2,\"say \"\"hi\"\"\",\"two\nlines\"\n3, blanks kept ,\n");
  // Plain, quoted and multi-line records of varying length, far beyond one
  // read block, already in the writer's own quoting, from standard input:
  // missing directories made, -q lists nothing, out equals in.
  std::string csv = "k,v\n";
  for (int i = 0; i < 4000; ++i) {
    const std::string pad(static_cast<size_t>(i % 97), 'x');
    csv += std::to_string(i) +
           (i % 3 == 0   ? ",plain " + pad
            : i % 3 == 1 ? ",\"q,\"\"" + pad + "\"\"\""
                         : ",\"two\n" + pad + "\"") +
           "\n";
  }
  writeFile(dir.file("long.csv"), csv);
  const ShellRun piped = run({"-q", "-o", "new/deeper/o.csv"}, dir.file("long.csv"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
  EXPECT_TRUE(readFile(dir.file("new/deeper/o.csv")) == csv);
}

TEST_F(ExportTool, PartSizeSplitsIntoListedPartsAndNeedsAnExtension) {
  ShellRun result = convert("n\n1\n2\n3\n4\n5\n", {"--part-size", "2", "-o", "parts/n.csv"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "parts/n-1.csv\nparts/n-2.csv\nparts/n-3.csv\n");
  EXPECT_EQ(readFile(dir.file("parts/n-1.csv")), "n\n1\n2\n");
  EXPECT_EQ(readFile(dir.file("parts/n-3.csv")), "n\n5\n");
  result = convert("n\n1\n", {"--part-size", "2", "-o", "a.d/noext"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("extension"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir.file("a.d")));
  for (const char* format : {"html", "xml", "txt", "xlsx"}) {
    result = convert(kAwkward, {"-f", format, "--widths", "4,8,8", "--encoding", "UTF-8", "--part-size", "2",
                                "-o", std::string("o.") + format});
    EXPECT_EQ(result.status, 0) << format << result.err;
    EXPECT_EQ(result.err, std::string("o-1.") + format + "\no-2." + format + "\n");
  }
}

TEST_F(ExportTool, InputFaultsNameTheirLineAndLeaveNoFile) {
  const struct {
    std::string csv;
    std::vector<std::string> options;
    std::string message;
  } cases[] = {
      {"a,b\n1,2\n3,\"open\nstill open\n",
       {"--part-size", "1"},
       "in.csv:3: unterminated quote: a quoted field of the record starting on this line is never closed"},
      {"a,b\n\"multi\nline\",x\n1,a\"b\n", {}, "in.csv:4: misplaced quote"},
      {"a,b\n1,2\n1\n", {}, "in.csv:3: expected 2 fields, found 1"},
      {"a,b\n1\n1,2,3\n", {"--ragged"}, "in.csv:3: expected 2 fields, found 3"},
      {"a,b\n1,2,3\n", {"-f", "xml"}, "in.csv:2: expected 2 fields, found 3"},
      {std::string("a,b\n1,2\n\n3,x\0y\n", 13), {}, "in.csv:4: NUL byte"},
      {kBom + "a,b\n1,\xC3\n", {"-f", "html"}, "in.csv:2: malformed UTF-8"},
      {"a,b\n1,\xED\xA0\x80\n", {}, "in.csv:2: malformed UTF-8"},  // a surrogate
      {"", {}, "in.csv: no title row: the input is empty"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-o", "o.csv"});
    const ShellRun result = convert(c.csv, args);
    EXPECT_EQ(result.status, 1) << c.message;
    EXPECT_EQ(result.err.rfind("oryx-export: " + c.message, 0), 0u) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(entries(), std::vector<std::string>{"in.csv"}) << c.message;
  }
  const ShellRun absent = run({"-o", "o.csv", "absent.csv"});
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.err, "oryx-export: absent.csv: No such file or directory\n");
}

TEST_F(ExportTool, InputConventionsAreReadAsAsked) {
  const struct {
    std::string csv;
    std::vector<std::string> options;
    std::string written;
  } cases[] = {
      {kBom + "a,b\n1,2\n", {}, "a,b\n1,2\n"},
      {"a,b,c\n1\n2,3\n", {"--ragged"}, "a,b,c\n1,,\n2,3,\n"},
      {"a\tb\n\"x\ty\"\t2\n", {"--delimiter", "\\t"}, "a,b\nx\ty,2\n"},
      {"a;b\n1,5;2\n", {"--delimiter", ";"}, "a,b\n\"1,5\",2\n"},
      {"a,b\n1,\xE9t\xE9\n", {"-f", "txt", "--encoding", "ISO-8859-1"}, ""},  // not UTF-8, and need not be
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-q", "-o", "o.out"});
    const ShellRun result = convert(c.csv, args);
    EXPECT_EQ(result.status, 0) << c.csv << result.err;
    if (!c.written.empty()) {
      EXPECT_EQ(readFile(dir.file("o.out")), c.written);
    }
  }
}

TEST_F(ExportTool, TheInputItselfIsRefusedAsOutputByDeviceAndInode) {
  const std::string input = "a\n1\n";
  writeFile(dir.file("in.csv"), input);
  fs::create_symlink("in.csv", dir.file("link.csv"));
  fs::create_hard_link(dir.file("in.csv"), dir.file("hard.csv"));
  fs::create_hard_link(dir.file("in.csv"), dir.file("p-2.csv"));
  const std::vector<std::string> cases[] = {
      {"-o", "in.csv", "in.csv"},
      {"-o", "./in.csv", "link.csv"},
      {"-o", "hard.csv", "in.csv"},
      {"-o", "in.csv"},  // standard input
      {"-o", "p.csv", "--part-size", "1", "in.csv"},
  };
  for (const std::vector<std::string>& args : cases) {
    const ShellRun result = run(args, dir.file("in.csv"));
    EXPECT_EQ(result.status, 2) << args[1];
    EXPECT_NE(result.err.find(": is the input file"), std::string::npos) << result.err;
    EXPECT_EQ(readFile(dir.file("in.csv")), input);
    EXPECT_EQ(entries(), (std::vector<std::string>{"hard.csv", "in.csv", "link.csv", "p-2.csv"}));
  }
}

TEST_F(ExportTool, AFailedRunLeavesExistingFilesExactlyAsTheyWere) {
  writeFile(dir.file("out.csv"), "old\n");
  std::string big = "a,b\n";
  for (int i = 0; i < 20000; ++i) big += std::to_string(i) + ",text\n";
  writeFile(dir.file("big.csv"), big);
  writeFile(dir.file("ragged.csv"), "a,b\n1,2\n3\n");
  const struct {
    std::vector<std::string> args;
    std::string before;
    std::string message;
  } cases[] = {
      {{"-o", "out.csv", "ragged.csv"}, "", "oryx-export: ragged.csv:3: expected 2 fields, found 1\n"},
      {{"-o", "out.csv", "big.csv"}, "ulimit -f 64;", "oryx-export: out.csv: File too large\n"},
      {{"--no-clobber", "-o", "out.csv", "big.csv"}, "", "oryx-export: out.csv: File exists\n"},
      {{"-o", "out.csv/x.csv", "big.csv"}, "", "oryx-export: out.csv/x.csv: Not a directory\n"},
      {{"-o", ".", "big.csv"}, "", "oryx-export: .: Is a directory\n"},
  };
  for (const auto& c : cases) {
    const ShellRun result = run(c.args, "/dev/null", c.before);
    EXPECT_EQ(result.status, 1) << c.message;
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(readFile(dir.file("out.csv")), "old\n");
    EXPECT_EQ(entries(), (std::vector<std::string>{"big.csv", "out.csv", "ragged.csv"})) << c.message;
  }
}

TEST_F(ExportTool, JsonFormatsAndTheCodecBySuffixOrOptionReadBackWholePartFilesIncluded) {
  writeFile(dir.file("t.csv"), kTable);
  ShellRun result = run({"-q", "-f", "json", "-o", "t.json.gz", "t.csv"});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(shell("gzip -dc t.json.gz >t.json").status, 0);
  EXPECT_EQ(pythonRows("t.json"), kRows);
  // Parts keep the codec's suffix last; a format name in any case.
  result = run({"-q", "--format", "NDJSON", "--part-size", "1", "-o", "p.ndjson.zst", "t.csv"});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(shell("zstd -qdc p-1.ndjson.zst p-2.ndjson.zst >p.ndjson").status, 0);
  EXPECT_EQ(pythonRows("p.ndjson"), kRows);
  ASSERT_EQ(run({"-q", "--compress", "zstd", "-o", "t.out", "t.csv"}).status, 0);
  EXPECT_EQ(shell("zstd -qdc t.out").out, kTable);
  EXPECT_EQ(run({"-f", "xlsx", "-o", "t.xlsx.gz", "t.csv"}).status, 2);
}

TEST_F(ExportTool, SelectTakesNamesIndexesAndRangesInTheOrderGiven) {
  writeFile(dir.file("t.csv"), kTable);
  ShellRun result = run({"-q", "--select", "city,1,4-5", "-o", "s.csv", "t.csv"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir.file("s.csv")),
            "city,id,note,name\n\xE6\x9D\xB1\xE4\xBA\xAC,1,\"a, "
            "\"\"b\"\"\",A2\nKrak\xC3\xB3w,2,\"multi\nline\",B2\n");
  // A reversed range, an open end and the second column of a repeated name.
  result = run({"-q", "--select", "3-2,name[1],4-", "-o", "s.csv", "t.csv"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir.file("s.csv")).substr(0, 30), "city,name,name,note,name\n\xE6\x9D\xB1\xE4\xBA");
  result = run({"--select", "nosuch", "-o", "s.csv", "t.csv"});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("no column named nosuch"), std::string::npos) << result.err;
  EXPECT_EQ(run({"--select", "0", "-o", "s.csv", "t.csv"}).status, 2);
}

// These need the writers to honour the writer options.
TEST_F(ExportTool, DefaultsEscapeAndQuoteAndLegacyKeepsThePlainBytes) {
  const std::string csv = "x,\"t,1\",\"<b>&\"\"\"\n=1+1,<script>,\"a&b\"\n";
  ShellRun result = convert(csv, {"-f", "html", "-o", "o.html"});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string html = readFile(dir.file("o.html"));
  EXPECT_EQ(html.find("<script>"), std::string::npos) << html;
  EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos) << html;
  EXPECT_NE(html.find("charset=UTF-8"), std::string::npos) << html;
  EXPECT_EQ(convert(csv, {"-f", "xml", "-o", "o.xml"}).status, 0);
  EXPECT_EQ(shell("xmllint --noout o.xml").status, 0);
  EXPECT_EQ(convert(csv, {"--bom", "--excel-safe", "-o", "o.csv"}).status, 0);
  EXPECT_EQ(readFile(dir.file("o.csv")), kBom + "x,\"t,1\",\"<b>&\"\"\"\n'=1+1,<script>,a&b\n");
  EXPECT_EQ(convert(csv, {"--legacy", "-o", "o.csv"}).status, 0);
  EXPECT_EQ(readFile(dir.file("o.csv")), "x,t,1,<b>&\"\n=1+1,<script>,a&b\n");
}

// How the tool behaves at its edges (options, pipelines, file systems):
// each case a shell line run with $T as the tool, its status, standard
// output and standard error.
TEST_F(ExportTool, EdgeBehaviours) {
  writeFile(dir.file("in.csv"), "a,b\n1,2\n");
  writeFile(dir.file("bad.csv"), "a,b\n1\n");
  std::string big = "a\n", wide = "id,name\n";
  for (int i = 0; i < 200000; ++i) big += "row\n";
  for (int i = 1; i <= 1500; ++i) wide += std::to_string(i) + ",ab\n";
  wide += std::string(30, '9') + "," + std::string(40, 'w') + "\n";  // past the first 1000 rows
  writeFile(dir.file("big.csv"), big);
  writeFile(dir.file("wide.csv"), wide);
  writeFile(dir.file("cut.csv"), "t\n" + std::string(40000, 'x') + "\n");
  writeFile(dir.file("A.csv"), "t\na\na\na\n");
  writeFile(dir.file("B.csv"), "t\nb\nb\n");
  const auto cutReport = [](const std::string& name) {
    return "oryx-export: " + name +
           ": XLSXFormatFile::writefile: field cut to 32767 characters. fileName is " + name + "\n";
  };
  const struct {
    const char* what;
    std::string line;
    int status;
    std::string out, err;
  } cases[] = {
    {"--version", "$T --version", 0, "oryx-export (oryxutil) " ORYX_VERSION "\n", ""},
    {"--version to a full disk", "$T --version >/dev/full", 1, "",
     "oryx-export: standard output: No space left on device\n"},
    {"a workbook needs -o", "$T -f xlsx", 2, "", "oryx-export: --output: required for xlsx (see --help)\n"},
    {"widths are numbers", "$T --widths 3,-1 -o x || $T --widths 9,wide -o x", 2, "",
     "oryx-export: --widths: widths are auto or numbers 0 to 65535 separated by commas: 3,-1 (see --help)\n"
     "oryx-export: --widths: widths are auto or numbers 0 to 65535 separated by commas: 9,wide "
     "(see --help)\n"},
    {"a delimiter is not a quote", "$T --delimiter '\"' -o x", 2, "",
     "oryx-export: --delimiter: the delimiter is one ASCII character other than a quote or a line end "
     "(\\t for tab) (see --help)\n"},
    {"standard output by default, no temporaries", "$T in.csv && ls -A | grep -c oryx", 1, "a,b\n1,2\n0\n",
     ""},
    {"no part files on standard output", "$T -o - --part-size 1 in.csv", 2, "",
     "oryx-export: -o -: part files cannot go to standard output\n"},
    {"a workbook needs a file", "$T -o - -f xlsx in.csv", 2, "",
     "oryx-export: -o -: xlsx output cannot go to standard output\n"},
    {"a closed standard output is a failure", "$T -o - in.csv >&-", 1, "",
     "oryx-export: standard output: Bad file descriptor\n"},
    {"a closed pipe ends silently", "{ { $T big.csv; echo $? >&3; } | head -n 1; } 3>&1", 0, "a\n141\n", ""},
    {"a library report names the output", "$T -f xlsx -o o.xlsx cut.csv", 0, "",
     cutReport("o.xlsx") + "o.xlsx\n"},
    {"--strict fails on it, no file", "$T --strict -f xlsx -o s.xlsx cut.csv || ls s.xlsx", 2, "",
     cutReport("s.xlsx") + "ls: cannot access 's.xlsx': No such file or directory\n"},
    {"tsv quotes are data", "printf 'a\\tb\\nx\"y\\t\"q\\n' | $T --tsv", 0, "a,b\n\"x\"\"y\",\"\"\"q\"\n",
     ""},
    {"auto widths read a whole file, numbers unwrapped",
     "$T -f txt --widths auto wide.csv >a; $T -f txt --widths 30,40 wide.csv >b; cmp a b && echo same", 0,
     "same\n", ""},
    {"auto widths from a pipe: 1000 rows, room for numbers",
     "cat wide.csv | $T -f txt --widths auto >a; $T -f txt --widths 20,4 wide.csv >b; cmp a b && echo same",
     0, "same\n", ""},
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // they reserve more than the limit
    {"out of memory: one line, no temporaries",
     "{ echo a; head -c 314572800 /dev/zero | tr '\\0' x; } | (ulimit -v 400000; $T -o o/x.csv); s=$?; test "
     "-e o && echo left; exit $s",
     1, "", "oryx-export: out of memory\n"},
#endif
    {"replacing follows a link and keeps the permissions",
     "echo old >tg.csv; chmod 640 tg.csv; ln -s tg.csv ln.csv; $T -o ln.csv in.csv; test -L ln.csv && "
     "stat -c %a tg.csv && cat tg.csv && rm tg.csv; $T -o ln.csv in.csv",
     1, "640\na,b\n1,2\n", "ln.csv\noryx-export: ln.csv: symbolic link to a missing file\n"},
    {"a FIFO is written in place and kept",
     "mkfifo ff; timeout 10 cat ff >dr & $T -o ff in.csv; wait $!; test -p ff && cat dr", 0, "a,b\n1,2\n",
     "ff\n"},
    {"a device is written in place and kept, also by a failed run",
     "$T -o /dev/null in.csv && ! $T -o /dev/null bad.csv && test -c /dev/null && echo kept", 0, "kept\n",
     "/dev/null\noryx-export: bad.csv:2: expected 2 fields, found 1\n"},
    {"a full device", "$T -o /dev/full in.csv", 1, "", "oryx-export: /dev/full: No space left on device\n"},
    {"a killed run's temporaries go with the next run",
     "mkfifo f; $T -o k/o.csv <f & exec 3>f; until ls -A k 2>/dev/null | grep -q oryx; do sleep 0.01; done; "
     "{ kill -KILL $!; wait $!; } 2>/dev/null; exec 3>&-; $T -q -o k/o.csv in.csv; ls -A k",
     0, "o.csv\n", ""},
    {"SIGTERM mid-export: 143, its file and directories gone, the old file kept",
     "echo old >t.csv; mkfifo g; for o in m/d/t.csv t.csv; do $T -o $o <g & exec 4>g; echo a,b >&4; "
     "while kill -0 $! && ! test -s ${o%t.csv}.oryx-export-*/out; do sleep 0.01; done; "
     "kill -TERM $!; wait $!; echo $?; exec 4>&-; done; ls -A m; ls -A | grep -c oryx; cat t.csv",
     0, "143\n143\n0\nold\n", "ls: cannot access 'm': No such file or directory\n"},
    {"a smaller part set replaces a larger one",
     "$T -q --part-size 1 -o p/n.csv A.csv && $T -q --part-size 1 -o p/n.csv B.csv && ls -A p", 0,
     "n-1.csv\nn-2.csv\n", ""},
    {"concurrent runs leave one whole set",
     "for i in 1 2 3 4 5; do $T -q --part-size 1 -o c/n.csv A.csv & $T -q --part-size 1 -o c/n.csv B.csv; "
     "wait; "
     "echo $(ls -A c | wc -l)$(cat c/* | sort -u | tr -d '\\n'); done | sort -u | grep -cvxE '3at|2bt'",
     1, "0\n", ""},
  };
  for (const auto& c : cases) {
    const ShellRun result = shell(c.line);
    EXPECT_EQ(result.status, c.status) << c.what << ": " << result.err;
    EXPECT_EQ(result.out, c.out) << c.what;
    EXPECT_EQ(result.err, c.err) << c.what;
  }
}
