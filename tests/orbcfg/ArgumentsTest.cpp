// SPDX-License-Identifier: Apache-2.0
// The words TAO_init builds from tao.cfg: the reference, endpoints, options
// and extension words; how the file is found and read once.
#include "TaoCfgFixture.h"

#include "oryxutil/companion/CommonUtils.h"


const Words kSvc = {"-ORBSvcConf", "/cfg/svc.conf"};
const std::string kRef = "NameService=corbaloc:iiop:";

// The words after the program name and the naming-service reference.
static Words tail(const Words& w) { return w.size() < 3 ? w : Words(w.begin() + 3, w.end()); }

// (The words in order for a whole tao.cfg: the oryx-tao-args tests.)
TEST_F(TaoCfgTest, IntegerFormKeepsPortZeroNoCallerWordsAndAnEmptyHostNameFallsBack) {
  writeCfg("[NameService]\nhostname=h\nport=2809\nListenAllIp=enable\n");
  // The integer form in plain mode: port 0 kept, the named file ignored.
  EXPECT_EQ(Words({"-ORBEndpoint", "iiop://:0", "-ORBSvcConf", "/cfg/svc.conf"}),
            tail(secure(0, "mine.conf", 5)));
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  char* none[1] = {nullptr};
  EXPECT_EQ("-ORBInitRef", words(cfg.TAO_init(nullptr, "1", ""))[0]);
  EXPECT_EQ("-ORBInitRef", words(cfg.TAO_init(none, "1", ""))[0]);
  writeCfg("[NameService]\nhostname=\n");
  EXPECT_EQ("NameService=corbaloc:iiop:" + oRYXCommonUtils::hostname() + ":/NameService", plain(nullptr)[2]);
}

TEST_F(TaoCfgTest, DebugAndDottedOptionsOnlyWhenOnThenExtensionWordsLast) {
  for (const char* off : {"[Debug]\nDebugLevel=0", "[Debug]\nDebugLevel=", "[Debug]\nDebugLevel=x3",
                          "[ORB]\nUseIp=Enable", "[ORB]\nUseIp=enabled"}) {
    writeCfg(std::string(off) + "\n");
    EXPECT_EQ(kSvc, tail(plain(nullptr))) << off;
  }
  writeCfg("[Debug]\nDebugLevel=3x\n[ORB]\nUseIp=enable\norbext=-ORBA 1   -ORBB\n");
  EXPECT_EQ(Words({"-ORBSvcConf", "/cfg/svc.conf", "-ORBDebugLevel", "3x", "-ORBLogFile",
                   "/root/var/logs/tao.trace", "-ORBDottedDecimalAddresses", "1", "-ORBA", "1", "-ORBB"}),
            tail(plain(nullptr)));
}

TEST_F(TaoCfgTest, UnsetConfigPathOrRootGivesNullInBothForms) {
  writeCfg("[NameService]\nssl=enable\n");
  for (const char* name : {"ORYX_CONFIG_PATH", "ORYX_ROOT"}) {
    oryxtest::EnvGuard unset(name, "");
    EXPECT_EQ(kNull, plain()) << name;
    EXPECT_EQ(kNull, secure(1, "", 2)) << name;
  }
}

TEST_F(TaoCfgTest, SslModeAddressesTheNamingServiceBySslUnlessHalfSecure) {
  oryxtest::EnvGuard cfgDir("ORYX_CONFIG_PATH", dir.path().c_str());
  writeCfg("[NameService]\nssl=enable\nhostname=h\nport=1\nsslport=2\n");
  oryxtest::writeFile(dir.file("strict.conf"), "-SSLAuthenticate SERVER\n");
  oryxtest::writeFile(dir.file("half.conf"), "-SSLNoProtection\n");
  const std::string iiop = "NameService=corbaloc:iiop:h:1/NameService";
  EXPECT_EQ(Words({"server", "-ORBInitRef", iiop, "-ORBSvcConf", dir.file("svc_ssl.conf")}),
            secure(0, "", 7001));
  EXPECT_EQ("NameService=corbaloc:ssliop:h:2/NameService", secure(0, "strict.conf", 1)[2]);
  EXPECT_EQ(iiop, secure(0, "half.conf", 1)[2]);
  EXPECT_EQ(iiop, secure(0, "missing.conf", 1)[2]);
}

TEST_F(TaoCfgTest, DebugEchoPrintsTheOptionTextOnlyForExactlyOne) {
  writeCfg("[NameService]\nhostname=h\n[ORB]\norbext=-ORBx\n");
  EXPECT_EQ(
      "tao param1:  -ORBInitRef NameService=corbaloc:iiop:h:/NameService"
      " -ORBSvcConf /cfg/svc.conf -ORBx\ntao_OrbExt -ORBx\n",
      echoed(-1, 0, nullptr));
  oryxtest::EnvGuard almost("ORYX_TAO_DEBUG_WREN", "1 ");
  testing::internal::CaptureStdout();
  plain();
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

// A caller's word and the installation's paths come back whole, blanks and
// all; orbext is a list of options and splits at its blanks.
TEST_F(TaoCfgTest, CallerWordsAndPathsStayWholeOrbextSplitsWithSubstitution) {
  oryxtest::EnvGuard var("ORYXTEST_ID", "svc id");
  oryxtest::EnvGuard cfgDir("ORYX_CONFIG_PATH", "/tmp/My Product/etc");
  oryxtest::EnvGuard rootDir("ORYX_ROOT", "/opt/My \"Root\"\\");
  writeCfg("[Debug]\nDebugLevel=1\n[ORB]\norbext=-ORBId $ORYXTEST_ID -ORBq \"a \\\"b\" ''\n");
  char spaced[] = "my  'server'", tabbed[] = "a\tb\"c";
  char* mine[] = {spaced, tabbed, nullptr};
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  const Words w = words(cfg.TAO_init(mine, nullptr, ""));
  EXPECT_EQ(Words({"my  'server'", "a\tb\"c", "-ORBInitRef"}), Words(w.begin(), w.begin() + 3));
  EXPECT_EQ(Words({"-ORBSvcConf", "/tmp/My Product/etc/svc.conf", "-ORBDebugLevel", "1", "-ORBLogFile",
                   "/opt/My \"Root\"\\/var/logs/tao.trace", "-ORBId", "svc id", "-ORBq", "a \"b"}),
            Words(w.begin() + 4, w.end()));
}

// The endpoint options as the echo shows them, up to the service configuration.
static std::string endpointsIn(const std::string& echo) {
  const size_t start = echo.find(" -ORBEndpoint");
  return start == std::string::npos ? "" : echo.substr(start, echo.find(" -ORBSvcConf") - start);
}

TEST_F(TaoCfgTest, EveryListedAddressEndsWithABlankTheHostNameFormDoesNot) {
  writeCfg("[NameService]\nListenIpAddrs=10.0.0.2,10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://10.0.0.2:7000  -ORBEndpoint iiop://10.0.0.1:7000 ",
            endpointsIn(echoed(-1, 0)));
  for (const char* none : {"", "ListenIpAddrs=,\n"}) {
    writeCfg(std::string("[NameService]\nhostname=ns\n") + none);
    EXPECT_EQ(" -ORBEndpoint iiop://" + oRYXCommonUtils::hostname() + ":7000", endpointsIn(echoed(7000, 0)));
  }
}

TEST_F(TaoCfgTest, InSslModeEveryEndpointCarriesTheSslPort) {
  // ListenAllIp wins over an address list.
  writeCfg("[NameService]\nssl=enable\nListenAllIp=enable\nListenIpAddrs=10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://:7000/ssl_port=0 ", endpointsIn(echoed(7000, 0)));
  writeCfg("[NameService]\nssl=enable\nListenIpAddrs=a,b\n");
  EXPECT_EQ(" -ORBEndpoint iiop://a:7000/ssl_port=7001  -ORBEndpoint iiop://b:7000/ssl_port=7001 ",
            endpointsIn(echoed(7000, 7001)));
}

TEST_F(TaoCfgTest, MissingFileFailsThenLoadsOnceCreatedAndIsNeverReloaded) {
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  EXPECT_EQ(kNull, words(cfg.TAO_init(argv, "1", "")));
  writeCfg("[NameService]\nhostname=old\nport=9\n");
  EXPECT_EQ(kRef + "old:9/NameService", words(cfg.TAO_init(argv, nullptr, ""))[2]);
  writeCfg("[NameService]\nhostname=new\n");
  EXPECT_EQ(kRef + "old:9/NameService", words(cfg.TAO_init(argv, nullptr, ""))[2]);
  EXPECT_EQ(kRef + "new:/NameService", plain(nullptr)[2]);
}

TEST_F(TaoCfgTest, BackslashInTheCfgPathIsASeparatorAndAByteOrderMarkIsSkipped) {
  writeCfg("\xEF\xBB\xBF[NameService]\r\nhostname=bom\r\n");
  std::string path = cfgPath();
  std::replace(path.begin(), path.end(), '/', '\\');
  oRYX_Tao_Cfg cfg(path.c_str());
  EXPECT_EQ(kRef + "bom:/NameService", words(cfg.TAO_init(argv, nullptr, ""))[2]);
}
