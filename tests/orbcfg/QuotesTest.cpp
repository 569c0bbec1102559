// SPDX-License-Identifier: Apache-2.0
// The ORB argument words are exact or absent: a quote that ACE's splitter
// cannot close, or a first word starting with "#", would drop that word and
// every later one, so TAO_init gives null and one warning line naming where
// the quote stands.
#include "TaoCfgFixture.h"

namespace {

struct QuoteCase {
  const char* cfg;         // tao.cfg after "[NameService]\n"
  const char* callerWord;  // one word after the program name (or, starting with "#", in its place), or null
  const char* warned;      // what the warning says after "TAO_init: "; null: a vector comes back
  const char* lastWord;    // the vector's last word (when not null)
};

const QuoteCase kCases[] = {
    {"hostname=h\"x\n", nullptr, "[NameService] hostname", nullptr},
    {"[ORB]\norbext=-ORBa \"b\n", nullptr, "[ORB] orbext", nullptr},
    {"[ORB]\norbext=-ORBa \"b \\\" c\n", nullptr, "[ORB] orbext", nullptr},  // escaped: still open
    {"hostname=h\n", "my\"arg", "argument word 2", nullptr},
    {"hostname=h\n", "'", "argument word 2", nullptr},
    {"hostname=h\n", "#server", "argument word 1", nullptr},
    // Balanced quotes group as the splitter does, also across two settings.
    {"[ORB]\norbext=-ORBa \"b  c\"\n", nullptr, nullptr, "b  c"},
    {"[ORB]\norbext=-ORBa \"b \\\" c\"\n", nullptr, nullptr, "b \" c"},
    {"hostname=a\"b\nport=c\"d\n", nullptr, nullptr, "/cfg/svc.conf"},
    {"hostname=h\n", "a\"b c\"d", nullptr, "/cfg/svc.conf"},
    // A quote in a setting that does not reach the line is harmless.
    {"[Debug]\nDebugLevel=0\"\n", nullptr, nullptr, "/cfg/svc.conf"},
};

TEST_F(TaoCfgTest, AQuoteTheSplitterCannotCloseOrALeadingHashGivesNullAndOneWarningNamingItsSource) {
  for (const QuoteCase& c : kCases) {
    writeCfg(std::string("[NameService]\n") + c.cfg);
    std::string word = c.callerWord != nullptr ? c.callerWord : "";
    char* mine[3] = {program, c.callerWord != nullptr ? &word[0] : nullptr, nullptr};
    if (word[0] == '#') mine[0] = &word[0], mine[1] = nullptr;
    oRYX_Tao_Cfg cfg(cfgPath().c_str());
    testing::internal::CaptureStderr();
    const Words w = words(cfg.TAO_init(mine, "7000", ""));
    const std::string warning = testing::internal::GetCapturedStderr();
    if (c.warned != nullptr) {
      const std::string reason = word[0] == '#' ? " holds a leading #" : " holds an unclosed quote";
      EXPECT_EQ(kNull, w) << c.cfg;
      EXPECT_EQ(0u, warning.find(std::string("oRYX_Tao_Cfg::TAO_init: ") + c.warned + reason)) << warning;
      EXPECT_EQ(warning.size() - 1, warning.find('\n')) << warning;
    } else {
      EXPECT_EQ(c.lastWord, w.back()) << c.cfg;
      EXPECT_EQ("", warning) << c.cfg;
    }
  }
}

}  // namespace
