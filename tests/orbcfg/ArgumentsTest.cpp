#include "TaoCfgFixture.h"

#include "orbcfg/ArgvBuild.h"
#include "oryxutil/companion/CommonUtils.h"

using Words = std::vector<std::string>;
const Words kPlainTail = {"-ORBSvcConf", "/cfg/svc.conf"};

// The words after the program name and the naming-service reference.
static Words afterReference(const Words& w) { return Words(w.begin() + 3, w.end()); }

static Words join(Words head, const Words& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST_F(TaoCfgTest, ProgramNameThenReferenceEndpointAndServiceConfiguration) {
  writeCfg("[NameService]\nhostname=h\nport=2809\nListenAllIp=enable\n");
  EXPECT_EQ(join({"server", "-ORBInitRef", "NameService=corbaloc:iiop:h:2809/NameService",
                  "-ORBEndpoint", "iiop://:7000"}, kPlainTail),
            plain());
}

TEST_F(TaoCfgTest, EmptyHostMeansLocalHostAndEmptyPortStaysEmpty) {
  writeCfg("[NameService]\nhostname=\n");
  EXPECT_EQ("NameService=corbaloc:iiop:" + oRYXCommonUtils::hostname() + ":/NameService",
            plain(nullptr)[2]);
}

TEST_F(TaoCfgTest, DebugOptionsOnlyForALevelReadingAsOneOrMore) {
  for (const char* level : {"0", "", "x3"}) {
    writeCfg(std::string("[Debug]\nDebugLevel=") + level + "\n");
    EXPECT_EQ(kPlainTail, afterReference(plain(nullptr))) << level;
  }
  writeCfg("[Debug]\nDebugLevel=3x\n");
  EXPECT_EQ(join(kPlainTail, {"-ORBDebugLevel", "3x", "-ORBLogFile", "/root/var/logs/tao.trace"}),
            afterReference(plain(nullptr)));
}

TEST_F(TaoCfgTest, DottedAddressesThenExtensionWordsComeLast) {
  writeCfg("[ORB]\nUseIp=enable\norbext=-ORBA 1   -ORBB\n");
  EXPECT_EQ(join(kPlainTail, {"-ORBDottedDecimalAddresses", "1", "-ORBA", "1", "-ORBB"}),
            afterReference(plain(nullptr)));
}

TEST_F(TaoCfgTest, WithoutCallerArgumentsTheVectorStartsWithInitRef) {
  writeCfg("[NameService]\nhostname=h\n");
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  char* none[1] = {nullptr};
  EXPECT_EQ("-ORBInitRef", words(cfg.TAO_init(nullptr, "1", ""))[0]);
  EXPECT_EQ("-ORBInitRef", words(cfg.TAO_init(none, "1", ""))[0]);
}

TEST_F(TaoCfgTest, UnsetConfigPathOrRootGivesNullInBothForms) {
  writeCfg("[NameService]\nssl=enable\n");
  for (const char* name : {"ORYX_CONFIG_PATH", "ORYX_ROOT"}) {
    oryxtest::EnvGuard unset(name, "");
    bool null = false;
    oRYX_Tao_Cfg cfg(cfgPath().c_str());
    words(cfg.TAO_init(argv, "1", ""), &null);
    EXPECT_TRUE(null) << name;
    words(cfg.TAO_init(argv, 1, "", 2), &null);
    EXPECT_TRUE(null) << name;
  }
}

TEST_F(TaoCfgTest, PlainModeIntegerFormKeepsPortZeroAndTheDefaultServiceConfiguration) {
  writeCfg("[NameService]\nListenAllIp=enable\n");
  EXPECT_EQ(join({"-ORBEndpoint", "iiop://:0"}, kPlainTail),
            afterReference(secure(0, "mine.conf", 5)));
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
  EXPECT_EQ("tao param1:  -ORBInitRef NameService=corbaloc:iiop:h:/NameService"
            " -ORBSvcConf /cfg/svc.conf -ORBx\ntao_OrbExt -ORBx\n",
            echoed(-1, 0, nullptr));
  writeCfg("[NameService]\nssl=enable\nhostname=h\n");
  EXPECT_EQ("tao param2:  -ORBInitRef NameService=corbaloc:iiop:h:/NameService"
            " -ORBSvcConf /cfg/svc_ssl.conf \ntao_OrbExt \n",
            echoed(0, 0));
  for (const char* value : {"1 ", "0", ""}) {
    oryxtest::EnvGuard off("ORYX_TAO_DEBUG_WREN", value);
    testing::internal::CaptureStdout();
    plain();
    EXPECT_EQ("", testing::internal::GetCapturedStdout()) << value;
  }
}

TEST_F(TaoCfgTest, WordsAreSplitByAceWithSubstitutionAndWithoutEmptyWords) {
  oryxtest::EnvGuard var("ORYXTEST_ID", "svc id");
  writeCfg("[ORB]\norbext=-ORBId $ORYXTEST_ID -ORBq \"a b\" '' -ORBz \"open end\n");
  char spaced[] = "my server";
  char* mine[] = {spaced, nullptr};
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  const Words w = words(cfg.TAO_init(mine, nullptr, ""));
  ASSERT_GE(w.size(), 7u);
  EXPECT_EQ(Words({"my", "server"}), Words(w.begin(), w.begin() + 2));
  // The unterminated quote drops the rest of the line.
  EXPECT_EQ(Words({"-ORBId", "svc id", "-ORBq", "a b", "-ORBz"}), Words(w.end() - 5, w.end()));
}

TEST(OrbArgvWords, RebuiltVectorKeepsEveryWordExactly) {
  const Words tricky = {"plain", "a b", "it's", "q\"x", "\\\"z", "$HOME", "back\\", "a b\\\\",
                        "\"", "'", "tab\there", "x\\\"y z", "\\"};
  std::unique_ptr<ACE_ARGV_T<char>> rebuilt(oryx::argvOfWords(tricky));
  ASSERT_TRUE(rebuilt);
  EXPECT_EQ(tricky, Words(rebuilt->argv(), rebuilt->argv() + rebuilt->argc()));
}
