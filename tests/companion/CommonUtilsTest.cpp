#include "oryxutil/companion/CommonUtils.h"

#include "support/EnvGuard.h"

#include <gtest/gtest.h>

using oryxtest::EnvGuard;

TEST(Str2Wstr, BasicPlaneCharactersGiveOneUnitEach) {
  EXPECT_EQ(oRYXCommonUtils::STR2WSTR("a\xC3\xBC\xE4\xB8\xAD"), std::wstring(L"a\u00FC\u4E2D"));
}

TEST(Str2Wstr, CharacterAboveBasicPlaneGivesSurrogatePair) {
  const std::wstring wide = oRYXCommonUtils::STR2WSTR("\xF0\x9F\x98\x80");  // U+1F600
  ASSERT_EQ(wide.size(), 2u);
  EXPECT_EQ(static_cast<unsigned>(wide[0]), 0xD83Du);
  EXPECT_EQ(static_cast<unsigned>(wide[1]), 0xDE00u);
}

TEST(Str2Wstr, MalformedBytesBecomeReplacementWithoutOverread) {
  // stray continuation, overlong form, truncated sequence at the very end
  const std::wstring wide = oRYXCommonUtils::STR2WSTR(std::string("\x80" "A" "\xC0\xAF" "\xE4\xB8", 6));
  EXPECT_EQ(wide, std::wstring(L"\uFFFDA\uFFFD\uFFFD\uFFFD\uFFFD"));
}

TEST(GlobalVersion, ZeroMeansNotGlobalAnythingElseMeansGlobal) {
  {
    EnvGuard env("ORYX_GLOBAL_VERSION", "0");
    EXPECT_FALSE(oRYXCommonUtils::IsGlobalVersion());
    EXPECT_FALSE(oRYXIsGlobalVersion());
  }
  {
    EnvGuard env("ORYX_GLOBAL_VERSION", nullptr);
    EXPECT_TRUE(oRYXCommonUtils::IsGlobalVersion());
  }
  for (const char* value : {"1", "00", "", "no"}) {
    EnvGuard env("ORYX_GLOBAL_VERSION", value);
    EXPECT_TRUE(oRYXIsGlobalVersion()) << value;
  }
}

TEST(ConfigPath, ConfigPathVariableWinsWhenNonEmpty) {
  EnvGuard root("ORYX_ROOT", "/opt/oryx");
  {
    EnvGuard config("ORYX_CONFIG_PATH", "/etc/oryx");
    EXPECT_EQ(oRYXCommonUtils::getConfigPath(), "/etc/oryx");
  }
  {
    EnvGuard config("ORYX_CONFIG_PATH", "");
    EXPECT_EQ(oRYXCommonUtils::getConfigPath(), "/opt/oryx/etc/conf");
  }
}

TEST(Getenv, UnsetAndNullGiveEmpty) {
  EnvGuard env("ORYX_TEST_UNSET_VARIABLE", nullptr);
  EXPECT_EQ(oRYXCommonUtils::oRYXgetenv("ORYX_TEST_UNSET_VARIABLE"), "");
  EXPECT_EQ(oRYXCommonUtils::oRYXgetenv(nullptr), "");
}

TEST(Split, PiecesBetweenDelimitersInOrderEmptyOnesSkipped) {
  std::list<std::string> pieces{"kept"};
  oRYXCommonUtils::split(",a, b,,c,", ",", pieces);
  EXPECT_EQ(pieces, (std::list<std::string>{"kept", "a", " b", "c"}));
}

TEST(Split, MultiByteDelimiterIsMatchedWhole) {
  std::list<std::string> pieces;
  oRYXCommonUtils::split("k=v==w", "==", pieces);
  EXPECT_EQ(pieces, (std::list<std::string>{"k=v", "w"}));
}

TEST(Hostname, IsNotEmpty) { EXPECT_FALSE(oRYXCommonUtils::hostname().empty()); }

TEST(TextHelpers, TrimsChangeTheArgumentAndReturnIt) {
  std::string text = " \t\r\nmiddle text \n";
  EXPECT_EQ(oRYXCommonUtils::oRYXltrim(text), "middle text \n");
  EXPECT_EQ(text, "middle text \n");
  EXPECT_EQ(oRYXCommonUtils::oRYXtrim(text), "middle text");
  std::string blanks = "   ";
  EXPECT_EQ(oRYXCommonUtils::oRYXtrim(blanks), "");
}

TEST(TextHelpers, ReplaceAllOccurrencesWithoutRescanning) {
  std::string text = "aaa-a", from = "a", to = "aa";
  EXPECT_EQ(oRYXCommonUtils::oRYXreplace(text, from, to), "aaaaaa-aa");
  std::string empty;
  EXPECT_EQ(oRYXCommonUtils::oRYXreplace(text, empty, to), "aaaaaa-aa");
}

TEST(TextHelpers, NumbersIncludingTheExtremes) {
  char buffer[21];
  EXPECT_STREQ(oRYXCommonUtils::ltoa(-9223372036854775807L - 1, buffer), "-9223372036854775808");
  EXPECT_STREQ(oRYXCommonUtils::ultoa(18446744073709551615UL, buffer), "18446744073709551615");
  EXPECT_EQ(oRYXCommonUtils::ltoa(1, nullptr), nullptr);
}

TEST(TextHelpers, WideTextRoundTripsThroughBothDirections) {
  const std::string text = "a\xC3\xBC\xE4\xB8\xAD\xF0\x9F\x98\x80";
  wchar_t buffer[16];
  oRYXCommonUtils::STR2WSTR(text.c_str(), buffer);
  EXPECT_EQ(std::wstring(buffer).size(), 5u);  // a, ü, 中 and a surrogate pair
  EXPECT_EQ(oRYXCommonUtils::WSTR2STR(buffer), text);
  const wchar_t loneSurrogate[] = {0xD800, L'x', 0};
  EXPECT_EQ(oRYXCommonUtils::WSTR2STR(loneSurrogate), "\xEF\xBF\xBDx");
  EXPECT_EQ(oRYXCommonUtils::WSTR2STR(nullptr), "");
}

TEST(TextHelpers, TabsExpandToEightColumnStops) {
  EXPECT_EQ(oRYXCommonUtils::tabs("ab\tc\n\td"), "ab      c\n        d");
}

TEST(TextHelpers, EnvironmentReferencesAreReplaced) {
  EnvGuard name("ORYX_TEST_NAME", "value");
  EnvGuard unset("ORYX_TEST_UNSET", nullptr);
  EXPECT_EQ(oRYXCommonUtils::replEnvVar("$ORYX_TEST_NAME/x ${ORYX_TEST_NAME}y $ORYX_TEST_UNSET|"),
            "value/x valuey |");
  EXPECT_EQ(oRYXCommonUtils::replEnvVar("cost $5 ${unclosed $ end$"), "cost $5 ${unclosed $ end$");
}

TEST(SystemFacts, PrimaryHostFollowsTheVariable) {
  {
    EnvGuard primary("ORYX_PRIMARY_HOST", nullptr);
    EXPECT_EQ(oRYXCommonUtils::IsPrimaryHost(), 1);
  }
  {
    EnvGuard primary("ORYX_PRIMARY_HOST", "no-such-host.invalid");
    EXPECT_EQ(oRYXCommonUtils::IsPrimaryHost(), 0);
  }
  EnvGuard primary("ORYX_PRIMARY_HOST", oRYXCommonUtils::hostname().c_str());
  EXPECT_EQ(oRYXCommonUtils::IsPrimaryHost(), 1);
  EXPECT_EQ(oRYXCommonUtils::sysname(), "Linux");
}
