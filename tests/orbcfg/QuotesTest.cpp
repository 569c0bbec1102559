// SPDX-License-Identifier: Apache-2.0
// The ORB argument words are exact or absent: a quote that ACE's splitter
// cannot close would drop that word and every later one, so TAO_init gives
// null and one warning line naming where the quote stands.
#include "TaoCfgFixture.h"

namespace {

struct QuoteCase {
  const char* cfg;        // tao.cfg after "[NameService]\n"
  const char* callerWord; // one word after the program name, or null
  const char* named;      // what the warning names; null: a vector comes back
  const char* lastWord;   // the vector's last word (when not null)
};

const QuoteCase kCases[] = {
    {"hostname=h\"x\n", nullptr, "[NameService] hostname", nullptr},
    {"[ORB]\norbext=-ORBa \"b\n", nullptr, "[ORB] orbext", nullptr},
    {"[ORB]\norbext=-ORBa \"b \\\" c\n", nullptr, "[ORB] orbext", nullptr},  // escaped: still open
    {"hostname=h\n", "my\"arg", "argument word 2", nullptr},
    {"hostname=h\n", "'", "argument word 2", nullptr},
    // Balanced quotes group as the splitter does, also across two settings.
    {"[ORB]\norbext=-ORBa \"b  c\"\n", nullptr, nullptr, "b  c"},
    {"[ORB]\norbext=-ORBa \"b \\\" c\"\n", nullptr, nullptr, "b \" c"},
    {"hostname=a\"b\nport=c\"d\n", nullptr, nullptr, "/cfg/svc.conf"},
    {"hostname=h\n", "a\"b c\"d", nullptr, "/cfg/svc.conf"},
    // A quote in a setting that does not reach the line is harmless.
    {"[Debug]\nDebugLevel=0\"\n", nullptr, nullptr, "/cfg/svc.conf"},
};

TEST_F(TaoCfgTest, AQuoteTheSplitterCannotCloseGivesNullAndOneWarningNamingItsSource) {
  for (const QuoteCase& c : kCases) {
    writeCfg(std::string("[NameService]\n") + c.cfg);
    std::string word = c.callerWord != nullptr ? c.callerWord : "";
    char* mine[3] = {program, c.callerWord != nullptr ? &word[0] : nullptr, nullptr};
    oRYX_Tao_Cfg cfg(cfgPath().c_str());
    testing::internal::CaptureStderr();
    const Words w = words(cfg.TAO_init(mine, "7000", ""));
    const std::string warning = testing::internal::GetCapturedStderr();
    if (c.named != nullptr) {
      EXPECT_EQ(kNull, w) << c.cfg;
      EXPECT_EQ(0u, warning.find(std::string("oRYX_Tao_Cfg::TAO_init: ") + c.named + " holds"))
          << warning;
      EXPECT_EQ(warning.size() - 1, warning.find('\n')) << warning;
    } else {
      EXPECT_EQ(c.lastWord, w.back()) << c.cfg;
      EXPECT_EQ("", warning) << c.cfg;
    }
  }
}

TEST_F(TaoCfgTest, AFirstWordStartingWithHashWouldDropEveryWordSoItGivesNull) {
  writeCfg("[NameService]\nhostname=h\n");
  char hashed[] = "#server";
  char* mine[2] = {hashed, nullptr};
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  testing::internal::CaptureStderr();
  EXPECT_EQ(kNull, words(cfg.TAO_init(mine, "7000", "")));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("argument word 1 holds a leading #"));
}

}  // namespace
