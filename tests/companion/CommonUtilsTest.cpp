// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/companion/CommonUtils.h"

#include "companion/text/Utf8.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

using oryxtest::EnvGuard;

TEST(WideText, Utf8BecomesUtf16UnitsAndBackAndMalformedInputBecomesReplacement) {
  const std::string text = "a\xC3\xBC\xE4\xB8\xAD\xF0\x9F\x98\x80";  // a, ü, 中, U+1F600
  const std::wstring units = {L'a', 0x00FC, 0x4E2D, 0xD83D, 0xDE00};
  wchar_t buffer[16];
  oRYXCommonUtils::STR2WSTR(text.c_str(), buffer);
  EXPECT_EQ(std::wstring(buffer), units);
  EXPECT_EQ(oRYXCommonUtils::WSTR2STR(buffer), text);
  // stray continuation, overlong form, truncated sequence at the very end (no overread)
  EXPECT_EQ(oRYXCommonUtils::STR2WSTR(std::string("\x80" "A" "\xC0\xAF" "\xE4\xB8", 6)),
            std::wstring(L"\uFFFDA\uFFFD\uFFFD\uFFFD\uFFFD"));
  const wchar_t loneSurrogate[] = {0xD800, L'x', 0};
  EXPECT_EQ(oRYXCommonUtils::WSTR2STR(loneSurrogate), "\xEF\xBF\xBDx");
  EXPECT_EQ(oRYXCommonUtils::WSTR2STR(nullptr), "");
}

// The one decoder: each malformed character is its maximal ill-formed part,
// so every caller replaces exactly what the Unicode standard says it should.
TEST(Utf8Decoder, WellFormedCodePointsAndMaximalIllFormedParts) {
  const std::pair<std::string, std::pair<uint32_t, size_t>> cases[] = {
      {"\x7F", {0x7F, 1}},          {"\xC2\x80", {0x80, 2}},        {"\xEF\xBF\xBD", {0xFFFD, 3}},
      {"\xF4\x8F\xBF\xBF", {0x10FFFF, 4}}, {"\xC1\xBF", {0, 1}},   {"\xE0\x9F\x80", {0, 1}},
      {"\xED\xA0\x80", {0, 1}},   {"\xF4\x90\x80\x80", {0, 1}}, {"\xE4\xB8", {0, 2}},
      {"\xF0\x9F\x98" "A", {0, 3}}, {"\x80", {0, 1}},               {"\xF8\x88\x80\x80\x80", {0, 1}}};
  for (const auto& [bytes, expected] : cases) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t length = 0;
    const uint32_t code = oryx::utf8::decode(p, p + bytes.size(), length);
    EXPECT_EQ(code, expected.first == 0 ? oryx::utf8::kMalformed : expected.first) << bytes;
    EXPECT_EQ(length, expected.second) << bytes;
  }
}

TEST(Environment, GlobalVersionIsOffOnlyForZero) {
  const std::pair<const char*, bool> cases[] = {{"0", false}, {nullptr, true}, {"1", true},
                                                {"00", true}, {"", true},      {"no", true}};
  for (const auto& [value, global] : cases) {
    EnvGuard env("ORYX_GLOBAL_VERSION", value);
    EXPECT_EQ(oRYXCommonUtils::IsGlobalVersion(), global) << (value ? value : "unset");
    EXPECT_EQ(oRYXIsGlobalVersion(), global) << (value ? value : "unset");
  }
}

TEST(Environment, ConfigPathVariableWinsWhenNonEmptyAndUnsetReadsEmpty) {
  EnvGuard root("ORYX_ROOT", "/opt/oryx");
  {
    EnvGuard config("ORYX_CONFIG_PATH", "/etc/oryx");
    EXPECT_EQ(oRYXCommonUtils::getConfigPath(), "/etc/oryx");
  }
  EnvGuard config("ORYX_CONFIG_PATH", "");
  EXPECT_EQ(oRYXCommonUtils::getConfigPath(), "/opt/oryx/etc/conf");
  EnvGuard unset("ORYX_TEST_UNSET_VARIABLE", nullptr);
  EXPECT_EQ(oRYXCommonUtils::oRYXgetenv("ORYX_TEST_UNSET_VARIABLE"), "");
  EXPECT_EQ(oRYXCommonUtils::oRYXgetenv(nullptr), "");
}

TEST(Environment, ReferencesAreReplacedAndStrayDollarsKept) {
  EnvGuard name("ORYX_TEST_NAME", "value");
  EnvGuard unset("ORYX_TEST_UNSET", nullptr);
  EXPECT_EQ(oRYXCommonUtils::replEnvVar("$ORYX_TEST_NAME/x ${ORYX_TEST_NAME}y $ORYX_TEST_UNSET|"),
            "value/x valuey |");
  EXPECT_EQ(oRYXCommonUtils::replEnvVar("cost $5 ${unclosed $ end$"), "cost $5 ${unclosed $ end$");
}

TEST(TextHelpers, SplitKeepsNonEmptyPiecesInOrderAndMatchesTheWholeDelimiter) {
  std::list<std::string> pieces{"kept"};
  oRYXCommonUtils::split(",a, b,,c,", ",", pieces);
  oRYXCommonUtils::split("k=v==w", "==", pieces);
  EXPECT_EQ(pieces, (std::list<std::string>{"kept", "a", " b", "c", "k=v", "w"}));
}

TEST(TextHelpers, TrimReplaceTabsAndNumbers) {
  std::string padded = " \t\r\nmiddle text \n", blanks = "   ";
  EXPECT_EQ(oRYXCommonUtils::oRYXltrim(padded), "middle text \n");
  EXPECT_EQ(padded, "middle text \n");  // trims change the argument and return it
  EXPECT_EQ(oRYXCommonUtils::oRYXtrim(padded), "middle text");
  EXPECT_EQ(oRYXCommonUtils::oRYXtrim(blanks), "");
  std::string text = "aaa-a", from = "a", to = "aa", empty;
  EXPECT_EQ(oRYXCommonUtils::oRYXreplace(text, from, to), "aaaaaa-aa");  // no rescanning
  EXPECT_EQ(oRYXCommonUtils::oRYXreplace(text, empty, to), "aaaaaa-aa");
  EXPECT_EQ(oRYXCommonUtils::tabs("ab\tc\n\td"), "ab      c\n        d");
  char buffer[21];
  EXPECT_STREQ(oRYXCommonUtils::ltoa(-9223372036854775807L - 1, buffer), "-9223372036854775808");
  EXPECT_STREQ(oRYXCommonUtils::ultoa(18446744073709551615UL, buffer), "18446744073709551615");
  EXPECT_EQ(oRYXCommonUtils::ltoa(1, nullptr), nullptr);
}
