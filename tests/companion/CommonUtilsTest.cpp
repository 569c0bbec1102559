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
