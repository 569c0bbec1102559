// oryx-tao-args run as a program: its words on stdout, its errors on stderr.
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun taoArgs(const oryxtest::TempDir& dir, const std::string& options) {
#ifndef ORYX_TAO_ARGS
  (void)dir;
  (void)options;
  return {-1, "", "oryx-tao-args was not built"};
#else
  const std::string errFile = dir.file("stderr");
  FILE* pipe = ::popen((std::string(ORYX_TAO_ARGS) + " " + options + " 2>" + errFile).c_str(), "r");
  ToolRun run{-1, "", ""};
  if (pipe == nullptr) return run;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) run.out.append(chunk, got);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = oryxtest::readFile(errFile);
  return run;
#endif
}

class TaoArgsTool : public ::testing::Test {
 protected:
  oryxtest::TempDir dir;
  oryxtest::EnvGuard config{"ORYX_CONFIG_PATH", "/cfg"};
  oryxtest::EnvGuard root{"ORYX_ROOT", "/root"};
  void SetUp() override {
#ifndef ORYX_TAO_ARGS
    GTEST_SKIP() << "oryx-tao-args is not built (ORYX_BUILD_TOOLS=OFF)";
#endif
    oryxtest::writeFile(dir.file("tao.cfg"), "[NameService]\nhostname=h\nport=1\nListenAllIp=enable\n");
  }
  std::string cfg() const { return " --cfg " + dir.file("tao.cfg"); }
};

}  // namespace

TEST_F(TaoArgsTool, PrintsOneWordPerLineWithTheServerArgumentsFirst) {
  const ToolRun run = taoArgs(dir, cfg() + " --port 7000 -- srv -x");
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("srv\n-x\n-ORBInitRef\nNameService=corbaloc:iiop:h:1/NameService\n-ORBEndpoint\n"
            "iiop://:7000\n-ORBSvcConf\n/cfg/svc.conf\n",
            run.out);
}

TEST_F(TaoArgsTool, ErrorNamesTheMissingVariableOrTheUnreadableFile) {
  {
    oryxtest::EnvGuard unset("ORYX_CONFIG_PATH", nullptr);
    const ToolRun run = taoArgs(dir, cfg());
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("ORYX_CONFIG_PATH")) << run.err;
    EXPECT_EQ("", run.out);
  }
  const ToolRun missing = taoArgs(dir, " --cfg " + dir.file("none.cfg"));
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find(dir.file("none.cfg"))) << missing.err;
  oryxtest::writeFile(dir.file("bad.cfg"), "no section\n");
  const ToolRun invalid = taoArgs(dir, " --cfg " + dir.file("bad.cfg"));
  EXPECT_EQ(1, invalid.status);
  EXPECT_NE(std::string::npos, invalid.err.find("not a valid INI file")) << invalid.err;
}

TEST_F(TaoArgsTool, SslPortWithoutPortIsAUsageError) {
  EXPECT_EQ(2, taoArgs(dir, cfg() + " --ssl-port 7001").status);
}
