#include "TaoCfgFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

using Words = std::vector<std::string>;
const std::string kRef = "NameService=corbaloc:iiop:";

TEST_F(TaoCfgTest, MissingFileFailsThenLoadsOnceCreatedOnTheSameObject) {
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  bool null = false;
  words(cfg.TAO_init(argv, "1", ""), &null);
  EXPECT_TRUE(null);
  writeCfg("[NameService]\nhostname=h\nport=9\n");
  EXPECT_EQ(words(cfg.TAO_init(argv, nullptr, ""))[2], kRef + "h:9/NameService");
}

TEST_F(TaoCfgTest, FileIsLoadedOncePerObject) {
  writeCfg("[NameService]\nhostname=old\n");
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  words(cfg.TAO_init(argv, nullptr, ""));
  writeCfg("[NameService]\nhostname=new\n");
  EXPECT_EQ(words(cfg.TAO_init(argv, nullptr, ""))[2], kRef + "old:/NameService");
  EXPECT_EQ(plain(nullptr)[2], kRef + "new:/NameService");
}

TEST_F(TaoCfgTest, PathOf199CharactersIsUsedLongerOnesFallBackToTheLiteralDefault) {
  // The default is relative and unexpanded: it names a directory "$ORYX_ROOT".
  ASSERT_EQ(0, ::mkdir(dir.file("$ORYX_ROOT").c_str(), 0755));
  ::mkdir(dir.file("$ORYX_ROOT/etc").c_str(), 0755);
  ::mkdir(dir.file("$ORYX_ROOT/etc/conf").c_str(), 0755);
  oryxtest::writeFile(dir.file("$ORYX_ROOT/etc/conf/tao.cfg"), "[NameService]\nhostname=default\n");
  oryxtest::EnvGuard expanded("ORYX_ROOT", dir.path().c_str());
  const auto pathOf = [&](size_t length) {
    const std::string sub = dir.file(std::string(length - dir.path().size() - 9, 'd'));
    ::mkdir(sub.c_str(), 0755);
    oryxtest::writeFile(sub + "/tao.cfg", "[NameService]\nhostname=given\n");
    return sub + "/tao.cfg";
  };
  const std::string fits = pathOf(199), tooLong = pathOf(200);
  ASSERT_EQ(199u, fits.size());
  char cwd[4096];
  ASSERT_NE(nullptr, ::getcwd(cwd, sizeof(cwd)));
  ASSERT_EQ(0, ::chdir(dir.path().c_str()));
  oRYX_Tao_Cfg given(fits.c_str()), fallback(tooLong.c_str()), null(nullptr);
  EXPECT_EQ(words(given.TAO_init(argv, nullptr, ""))[2], kRef + "given:/NameService");
  EXPECT_EQ(words(fallback.TAO_init(argv, nullptr, ""))[2], kRef + "default:/NameService");
  EXPECT_EQ(words(null.TAO_init(argv, nullptr, ""))[2], kRef + "default:/NameService");
  ASSERT_EQ(0, ::chdir(cwd));
}

TEST_F(TaoCfgTest, GetparamReadsOnlyALoadedFileAndNeverWritesIt) {
  const std::string text = "[ORB]\norbext=-ORBx 1\nempty=\n";
  writeCfg(text);
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  const ACE_CString orb("ORB"), ext("orbext"), empty("empty"), absent("nope"), debug("Debug");
  EXPECT_STREQ("", cfg.getparam(&orb, &ext).c_str());
  words(cfg.TAO_init(argv, nullptr, ""));
  EXPECT_STREQ("-ORBx 1", cfg.getparam(&orb, &ext).c_str());
  EXPECT_STREQ("", cfg.getparam(&orb, &empty).c_str());
  EXPECT_STREQ("", cfg.getparam(&orb, &absent).c_str());
  EXPECT_STREQ("", cfg.getparam(&debug, &absent).c_str());
  EXPECT_STREQ("", cfg.getparam(nullptr, &ext).c_str());
  EXPECT_EQ(text, oryxtest::readFile(cfgPath()));
}

TEST_F(TaoCfgTest, SwitchIsOnOnlyForExactlyEnable) {
  const auto dotted = [&](const char* value) {
    writeCfg(std::string("[ORB]\nUseIp=") + value + "\n");
    const Words w = plain(nullptr);
    return std::count(w.begin(), w.end(), "-ORBDottedDecimalAddresses");
  };
  EXPECT_EQ(1, dotted("enable"));
  EXPECT_EQ(0, dotted("Enable"));
  EXPECT_EQ(0, dotted("enabled"));
  EXPECT_EQ(0, dotted(""));
}

TEST_F(TaoCfgTest, BackslashInTheCfgPathIsASeparatorAndAByteOrderMarkIsSkipped) {
  writeCfg("\xEF\xBB\xBF[NameService]\r\nhostname=bom\r\n");
  std::string path = cfgPath();
  std::replace(path.begin(), path.end(), '/', '\\');
  oRYX_Tao_Cfg cfg(path.c_str());
  EXPECT_EQ(words(cfg.TAO_init(argv, nullptr, ""))[2], kRef + "bom:/NameService");
}

TEST_F(TaoCfgTest, MalformedFilesNeverCrashNorGiveEmptyWords) {
  const std::string cases[] = {
      "",                                            // no sections at all
      "[NameService]\nhostname=" + std::string(10000, 'h') + "\n",
      "[ORB]\norbext=-ORBa \"unterminated\n[Debug]\nDebugLevel=\"2\n",
      "[ORB]\norbext='' \"\" -ORBb\n",
      "[NameService]\nno equals sign\n",
      "hostname=before-any-section\n",
      std::string("[N\0ameService]\n\xff\xfe=\x01\n", 20),
  };
  for (const std::string& text : cases) {
    writeCfg(text);
    for (const Words& w : {plain(), secure(7000, "x.conf", 7001)}) {
      for (const std::string& word : w) EXPECT_FALSE(word.empty()) << text;
    }
  }
}
