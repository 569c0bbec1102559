#include "export/TextWidth.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using oryx::isWideChar;
using oryx::nextUtf8Char;
using oryx::splitByWidth;
using oryx::splitCell;
using oryx::textWidth;
using Lines = std::vector<std::string>;

namespace {

const char kZhong[] = "\xE4\xB8\xAD";  // U+4E2D, a wide ideograph
const char kWen[] = "\xE6\x96\x87";    // U+6587

struct Step {
  std::string text;     // bytes after the step
  uint32_t position;
  int width;
};

// One nextUtf8Char from the start of `bytes`.
Step stepOnce(std::string bytes) {
  uint32_t position = 0;
  int width = -1;
  EXPECT_TRUE(nextUtf8Char(&bytes[0], static_cast<uint32_t>(bytes.size()), position, width));
  return {bytes, position, width};
}

}  // namespace

TEST(WideChars, RangeEdgesAndExcludedBrackets) {
  const uint16_t wide[] = {0x1100, 0x115F, 0x2E80, 0x3009, 0x300C, 0x4E2D, 0xA4CF, 0xAC00, 0xD7A3,
                           0xF900, 0xFAFF, 0xFE30, 0xFE6F, 0xFF00, 0xFF5F, 0xFFE0, 0xFFE6};
  const uint16_t narrow[] = {0x0041, 0x10FF, 0x1160, 0x2E7F, 0x300A, 0x300B, 0x301A, 0x301B, 0x303F,
                             0xA4D0, 0xABFF, 0xD7A4, 0xF8FF, 0xFB00, 0xFE2F, 0xFE70, 0xFF60,
                             0xFFDF, 0xFFE7, 0xFFFF};
  for (uint16_t c : wide) EXPECT_TRUE(isWideChar(c)) << std::hex << c;
  for (uint16_t c : narrow) EXPECT_FALSE(isWideChar(c)) << std::hex << c;
}

TEST(Utf8Stepping, ValidCharactersKeepTheirBytes) {
  const Step ideograph = stepOnce(kZhong);
  EXPECT_EQ(ideograph.text, kZhong);
  EXPECT_EQ(ideograph.position, 3u);
  EXPECT_EQ(ideograph.width, 2);
  EXPECT_EQ(stepOnce("\xC3\xBC").width, 1);  // u-umlaut
  // Above U+FFFF only the low 16 bits count: U+1F600 -> F600 narrow, U+1F900 -> F900 wide.
  EXPECT_EQ(stepOnce("\xF0\x9F\x98\x80").width, 1);
  EXPECT_EQ(stepOnce("\xF0\x9F\xA4\x80").width, 2);
  EXPECT_EQ(stepOnce("\xF0\x9F\xA4\x80").position, 4u);
}

TEST(Utf8Stepping, MalformedSequencesAreRepairedInPlace) {
  struct Case {
    std::string in, out;
    uint32_t position;
    int width;
  };
  const Case cases[] = {
      {"\xC0\x80", "??", 2, 2},                   // overlong NUL
      {"\xED\xA0\x80", "???", 3, 3},              // surrogate
      {"\x80z", "?z", 1, 1},                      // lone continuation byte
      {"\xFF", "?", 1, 1},
      {"\xC3" "A", "??", 2, 2},                   // broken: the A is consumed too
      {"\xE4\xB8" "A", "\xE4??", 3, 2},           // broken: the lead byte stays
      {"\xE4\xB8", "\xE4?", 2, 1},                // cut off: only the last byte
      {"\xE4", "?", 1, 1},
      {"\xF4\x90\x80\x80", "????", 4, 4},         // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", "?????", 5, 5},    // five bytes are never valid
  };
  for (const Case& c : cases) {
    const Step step = stepOnce(c.in);
    EXPECT_EQ(step.text, c.out) << c.out;
    EXPECT_EQ(step.position, c.position) << c.out;
    EXPECT_EQ(step.width, c.width) << c.out;
  }
}

TEST(Utf8Stepping, EndOfTextReturnsFalseAndChangesNothing) {
  char text[] = "a";
  uint32_t position = 1;
  int width = 7;
  EXPECT_FALSE(nextUtf8Char(text, 1, position, width));
  EXPECT_EQ(position, 1u);
  EXPECT_EQ(width, 7);
  EXPECT_FALSE(nextUtf8Char(nullptr, 4, position = 0, width));
}

TEST(TitleWidth, WideCharactersCountTwo) {
  EXPECT_EQ(textWidth("Name"), 4u);
  EXPECT_EQ(textWidth(std::string(kZhong) + kWen), 4u);
  EXPECT_EQ(textWidth("Z\xC3\xBCrich"), 6u);
  EXPECT_EQ(textWidth("\xF0\x9F\x98\x80"), 2u);  // two 16-bit halves
  EXPECT_EQ(textWidth(""), 0u);
}

TEST(SplitByWidth, FullLinesThenPaddedRest) {
  EXPECT_EQ(splitByWidth("abcdef", 4), (Lines{"abcd", "ef  "}));
  EXPECT_EQ(splitByWidth("abcd", 4), (Lines{"abcd"}));
  EXPECT_EQ(splitByWidth("abcde", 4), (Lines{"abcd", "e   "}));
  EXPECT_EQ(splitByWidth(std::string("a") + kZhong + kWen, 3),
            (Lines{std::string("a") + kZhong, std::string(kWen) + " "}));
}

TEST(SplitByWidth, WideCharacterNeverStraddlesALine) {
  EXPECT_EQ(splitByWidth(std::string("ab") + kZhong, 3), (Lines{"ab ", std::string(kZhong) + " "}));
  // Alone on its line a character wider than the column is kept whole.
  EXPECT_EQ(splitByWidth(std::string(kZhong) + "x", 1), (Lines{kZhong, "x"}));
}

TEST(SplitByWidth, RepairedSequenceWiderThanTheColumnGetsNoPadding) {
  // The four "?" of a bad sequence start a line of a 3-column cell: the line
  // is over-full, and must not be padded by a wrapped-around count.
  EXPECT_EQ(splitByWidth("a\xF4\x90\x80\x80" "b", 3), (Lines{"a  ", "????", "b  "}));
}

TEST(SplitByWidth, ZeroWidthPutsEachCharacterOnItsOwnLine) {
  EXPECT_EQ(splitByWidth(std::string("ab") + kZhong, 0), (Lines{"a", "b", kZhong}));
}

TEST(SplitCell, EmptyCellIsOneBlankLine) {
  EXPECT_EQ(splitCell("", 5), (Lines{"     "}));
  EXPECT_EQ(splitCell("", 0), (Lines{""}));
}

TEST(SplitCell, ControlBytesBecomeSpaces) {
  EXPECT_EQ(splitCell("a\tb", 5), (Lines{"a b  "}));
  EXPECT_EQ(splitCell(std::string("x\ny\rz\0w", 7), 9), (Lines{"x y z w  "}));
}

TEST(SplitCell, WidthOneGivesOneUnpaddedCharacterPerLine) {
  EXPECT_EQ(splitCell(std::string("a") + kZhong + "\xC0\x80", 1), (Lines{"a", kZhong, "??"}));
}
