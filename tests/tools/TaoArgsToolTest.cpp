// SPDX-License-Identifier: Apache-2.0
// oryx-tao-args run as a program: its words on stdout, its errors on stderr.
#include "support/EnvGuard.h"
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

#ifndef ORYX_TAO_ARGS
#define ORYX_TAO_ARGS ""
#endif

class TaoArgsTool : public ::testing::Test {
 protected:
  oryxtest::TempDir dir;
  oryxtest::EnvGuard config{"ORYX_CONFIG_PATH", "/cfg"}, root{"ORYX_ROOT", "/root"};
  oryxtest::ShellRun result;

  void SetUp() override {
    if (std::string(ORYX_TAO_ARGS).empty()) GTEST_SKIP() << "oryx-tao-args is not built";
    oryxtest::writeFile(dir.file("tao.cfg"), "[NameService]\nhostname=h\nport=2809\nListenAllIp=enable\n");
  }
  // Runs `command` in the test directory with $T the tool; fills `result`; the exit status.
  int shell(const std::string& command) {
    result = oryxtest::runShell(dir.path(), "T=" ORYX_TAO_ARGS "\n" + command);
    return result.status;
  }
  int run(const std::string& options, const std::string& cfg = "tao.cfg") {
    return shell("$T --cfg " + cfg + " " + options);
  }
};

TEST_F(TaoArgsTool, PrintsOneWordPerLineOrNamesWhatIsMissing) {
  EXPECT_EQ(0, run("--port 7000 -- srv -x")) << result.err;
  EXPECT_EQ(
      "srv\n-x\n-ORBInitRef\nNameService=corbaloc:iiop:h:2809/NameService\n-ORBEndpoint\n"
      "iiop://:7000\n-ORBSvcConf\n/cfg/svc.conf\n",
      result.out);
  EXPECT_EQ(1, run("", "none.cfg"));
  EXPECT_NE(std::string::npos, result.err.find("cannot read tao.cfg 'none.cfg'")) << result.err;
  // A FIFO in its place is refused at once, never waited on.
  EXPECT_EQ(1, shell("mkfifo fifo.cfg && timeout 10 $T --cfg fifo.cfg"));
  EXPECT_EQ("oryx-tao-args: cannot read tao.cfg 'fifo.cfg': not a regular file\n", result.err);
  oryxtest::writeFile(dir.file("bad.cfg"), "[NameService]\nport=1\n\nno equals sign\n");
  EXPECT_EQ(1, run("", "bad.cfg"));
  EXPECT_EQ("oryx-tao-args: bad.cfg:4: neither [section] nor key=value\n", result.err);
  oryxtest::EnvGuard unset("ORYX_CONFIG_PATH", nullptr);
  EXPECT_EQ(1, run(""));
  EXPECT_NE(std::string::npos, result.err.find("ORYX_CONFIG_PATH is not set")) << result.err;
  EXPECT_EQ("", result.out);
}

TEST_F(TaoArgsTool, EveryFormatCarriesTheExactWords) {
  // ACE groups quoted text into one word: blanks, quotes and shell syntax
  // inside words.
  oryxtest::writeFile(dir.file("tao.cfg"),
                      "[NameService]\nhostname=h\nport=1\n[ORB]\norbext=-X 'a b;c|d$(x)' -Y \"it's *\"\n");
  ASSERT_EQ(0, run("--format null"));
  const std::string nul = result.out;
  EXPECT_NE(std::string::npos, nul.find(std::string("a b;c|d$(x)") + '\0' + "-Y" + '\0' + "it's *" + '\0'))
      << nul;
  ASSERT_EQ(0, shell("eval \"set -- $($T --cfg tao.cfg --format shell)\" && printf '%s\\0' \"$@\""));
  EXPECT_EQ(nul, result.out);
  ASSERT_EQ(
      0, shell("$T --cfg tao.cfg --format json | python3 -c "
               "\"import json,sys; sys.stdout.write(''.join(w + chr(0) for w in json.load(sys.stdin)))\""));
  EXPECT_EQ(nul, result.out);
}

TEST_F(TaoArgsTool, CheckNamesEachProblemWithItsLine) {
  const struct {
    std::string cfg;
    std::string report;
  } cases[] = {
      {"", "c.cfg: no [NameService] section: the naming service reference gets an empty port\n"},
      {"\xEF\xBB\xBF[NameService]\nhostname=h\n; a comment\nport=\nListenAllIp=Enable\n",
       "c.cfg:4: port is empty\nc.cfg:5: ListenAllIp is neither enable nor disable (counts as off): "
       "Enable\n"},
      {"[NameService]\nport=70000\nssl=enable\n[Debug]\nDebugLevel=x\n[ORB]\nUseIp=yes\n",
       "c.cfg:2: port is not a port number (1-65535): 70000\n"
       "c.cfg:1: [NameService] has no sslport but ssl is enabled\n"
       "c.cfg:7: UseIp is neither enable nor disable (counts as off): yes\n"
       "c.cfg:5: DebugLevel is not a number: x\n"},
      {"port=1\n[NameService\n[NameService]\nport=\"2809\"\n",
       "c.cfg:1: key=value before any [section]\nc.cfg:2: section header without ']'\n"},
      {std::string("[NameService]\nport=1\n\x01") + '\0' + "\xff\n",
       "c.cfg:3: NUL byte: this is not a text file\n"},
  };
  for (const auto& c : cases) {
    oryxtest::writeFile(dir.file("c.cfg"), c.cfg);
    EXPECT_EQ(1, run("--check", "c.cfg")) << c.report;
    EXPECT_EQ(c.report + "/cfg/svc.conf: service configuration: No such file or directory\n", result.out);
  }
  oryxtest::writeFile(dir.file("svc.conf"), "");
  oryxtest::EnvGuard here("ORYX_CONFIG_PATH", dir.path().c_str());
  EXPECT_EQ(0, run("--check")) << result.out;
  EXPECT_EQ("", result.out);
}
