// oryx-tao-args run as a program: its words on stdout, its errors on stderr.
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#ifndef ORYX_TAO_ARGS
#define ORYX_TAO_ARGS ""
#endif

class TaoArgsTool : public ::testing::Test {
 protected:
  oryxtest::TempDir dir;
  oryxtest::EnvGuard config{"ORYX_CONFIG_PATH", "/cfg"}, root{"ORYX_ROOT", "/root"};
  std::string out, err;

  void SetUp() override {
    if (std::string(ORYX_TAO_ARGS).empty()) GTEST_SKIP() << "oryx-tao-args is not built";
    oryxtest::writeFile(dir.file("tao.cfg"), "[NameService]\nhostname=h\nListenAllIp=enable\n");
  }
  // Runs the tool on `cfg` with `options`; fills `out` and `err`; the exit status.
  int run(const std::string& options, const std::string& cfg = "tao.cfg") {
    const int status = std::system((std::string(ORYX_TAO_ARGS) + " --cfg " + dir.file(cfg) + " " + options +
                                    " >" + dir.file("out") + " 2>" + dir.file("err")).c_str());
    out = oryxtest::readFile(dir.file("out"));
    err = oryxtest::readFile(dir.file("err"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(TaoArgsTool, PrintsOneWordPerLineOrNamesWhatIsMissing) {
  EXPECT_EQ(0, run("--port 7000 -- srv -x")) << err;
  EXPECT_EQ("srv\n-x\n-ORBInitRef\nNameService=corbaloc:iiop:h:/NameService\n-ORBEndpoint\n"
            "iiop://:7000\n-ORBSvcConf\n/cfg/svc.conf\n",
            out);
  EXPECT_EQ(1, run("", "none.cfg"));
  EXPECT_NE(std::string::npos, err.find("cannot read tao.cfg '" + dir.file("none.cfg"))) << err;
  oryxtest::writeFile(dir.file("bad.cfg"), "no section\n");
  EXPECT_EQ(1, run("", "bad.cfg"));
  EXPECT_NE(std::string::npos, err.find(dir.file("bad.cfg") + "' is not a valid INI file")) << err;
  oryxtest::EnvGuard unset("ORYX_CONFIG_PATH", nullptr);
  EXPECT_EQ(1, run(""));
  EXPECT_NE(std::string::npos, err.find("ORYX_CONFIG_PATH is not set")) << err;
  EXPECT_EQ("", out);
}
