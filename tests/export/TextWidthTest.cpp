// SPDX-License-Identifier: Apache-2.0
#include "export/txt/TextWidth.h"

#include <gtest/gtest.h>

using namespace oryx;
using Lines = std::vector<std::string>;

const std::string kZhong = "\xE4\xB8\xAD";  // U+4E2D, wide
const std::string kWen = "\xE6\x96\x87";    // U+6587, wide

TEST(Utf8Stepping, ValidCharactersPassMalformedOnesAreRepairedInPlace) {
  const struct Case {
    std::string in, out;
    uint32_t position;
    int width;
  } cases[] = {
      {kZhong, kZhong, 3, 2},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 4, 1},  // U+1F600 counts as F600: narrow
      {"\xF0\x9F\xA4\x80", "\xF0\x9F\xA4\x80", 4, 2},  // U+1F900 counts as F900: wide
      {"\xC0\x80", "??", 2, 2},                        // overlong
      {"\xED\xA0\x80", "???", 3, 3},                   // surrogate
      {"\x80z", "?z", 1, 1},                           // lone continuation byte
      {"\xC3" "A", "??", 2, 2},                        // broken: the A goes too
      {"\xE4\xB8" "A", "\xE4??", 3, 2},                // broken: the lead byte stays
      {"\xE4\xB8", "\xE4?", 2, 1},                     // cut off: only the last byte
      {"\xF8\x88\x80\x80\x80", "?????", 5, 5},         // five bytes are never valid
  };
  for (Case c : cases) {
    uint32_t position = 0;
    int width = 0;
    ASSERT_TRUE(nextUtf8Char(&c.in[0], static_cast<uint32_t>(c.in.size()), position, width));
    EXPECT_EQ(c.in, c.out);
    EXPECT_EQ(position, c.position) << c.out;
    EXPECT_EQ(width, c.width) << c.out;
  }
  uint32_t end = 1;
  int width = 0;
  EXPECT_FALSE(nextUtf8Char(&kZhong.substr(0, 1)[0], 1, end, width));
  // A title is measured in 16-bit units: U+1F600 is two halves.
  EXPECT_EQ(textWidth(kZhong + kWen + "x\xF0\x9F\x98\x80"), 7u);
}

TEST(SplitByWidth, FullLinesThenAPaddedRestNoWideCharacterStraddlesAndCellsBlankControls) {
  EXPECT_EQ(splitByWidth("abcdef", 4), (Lines{"abcd", "ef  "}));
  EXPECT_EQ(splitByWidth("a" + kZhong + kWen, 3), (Lines{"a" + kZhong, kWen + " "}));
  EXPECT_EQ(splitByWidth("ab" + kZhong, 3), (Lines{"ab ", kZhong + " "}));
  EXPECT_EQ(splitByWidth("ab" + kZhong, 0), (Lines{"a", "b", kZhong}));
  // Four "?" of a bad sequence over-fill a 3-column line: no padding, no wrap-around.
  EXPECT_EQ(splitByWidth("a\xF4\x90\x80\x80" "b", 3), (Lines{"a  ", "????", "b  "}));
  // A cell: an empty one is one blank line, control bytes become spaces, width 1 takes a character a line.
  EXPECT_EQ(splitCell("", 5), (Lines{"     "}));
  EXPECT_EQ(splitCell("a\tb", 5), (Lines{"a b  "}));
  EXPECT_EQ(splitCell(std::string("x\ny\rz\0w", 7), 9), (Lines{"x y z w  "}));
  EXPECT_EQ(splitCell("a" + kZhong + "\xC0\x80", 1), (Lines{"a", kZhong, "??"}));
}

TEST(SplitByWidth, RunsOfAsciiCutLikeCharacterByCharacterStepping) {
  // The cut restated one nextUtf8Char at a time, against mixed random text.
  auto reference = [](std::string text, uint32_t w) {
    Lines lines;
    uint32_t start = 0, position = 0, previous = 0, used = 0;
    int c = 0;
    auto emit = [&](uint32_t end, uint32_t u) { lines.push_back(text.substr(start, end - start) + std::string(u < w ? w - u : 0, ' ')); };
    while (nextUtf8Char(&text[0], static_cast<uint32_t>(text.size()), position, c)) {
      if (used + c < w) used += c;
      else if (used + c == w || used == 0) emit(position, w), start = position, used = 0;
      else emit(previous, used), start = previous, used = c;
      previous = position;
    }
    if (start < text.size()) emit(static_cast<uint32_t>(text.size()), used);
    return lines;
  };
  const std::string parts[] = {"abc", " ", kZhong, "\xC3\xBC", "\xF4\x90\x80\x80", "\x80", "\x01", "xyzuvw"};
  uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (uint32_t k = next() % 9; k > 0; --k) text += parts[next() % 8];
    const uint32_t w = next() % 7;
    ASSERT_EQ(splitByWidth(text, w), reference(text, w)) << "w=" << w << " text=" << text;
  }
}
