// SPDX-License-Identifier: Apache-2.0
// Display-width stepping and cutting of UTF-8 cell text (the fuzz target
// textwidth_fuzz checks the cut's invariants over arbitrary bytes).
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
