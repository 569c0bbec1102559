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

// The terminal rule: whole code points, clusters as one, what a terminal is
// given for controls. Each case is what tmux draws.
TEST(TerminalWidth, ClustersMeasureAsDrawnAndControlsBecomePictures) {
  const struct Case {
    std::string in, shown;
    uint32_t width;
  } cases[] = {
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 2},  // U+1F600: not its low 16 bits
      {"\xF0\xA0\xAE\xB7", "\xF0\xA0\xAE\xB7", 2},  // U+20BB7
      {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 2},
      {"e\xCC\x81\xE2\x83\x9D", "e\xCC\x81\xE2\x83\x9D", 1},  // combining and enclosing marks
      {"\xE2\x9D\xA4\xEF\xB8\x8F", "\xE2\x9D\xA4", 1},        // VS16 after a narrow base left out
      {"\xE2\x80\x8B\xE2\x80\xAE\xEF\xBB\xBF", "\xE2\x80\x8B\xE2\x80\xAE\xEF\xBB\xBF", 0},
      {"\x1B\x7F\xC2\x9B\t", "\xE2\x90\x9B\xE2\x90\xA1\xEF\xBF\xBD ", 4},  // ESC DEL CSI TAB
      {"\xC3(", "\xEF\xBF\xBD(", 2},
  };
  for (const Case& c : cases) {
    std::string shown;
    uint32_t columns = 0;
    for (size_t at = 0; at < c.in.size();) at = terminalCluster(c.in.data(), c.in.size(), at, shown, columns);
    EXPECT_EQ(c.shown, shown);
    EXPECT_EQ(c.width, textWidth(c.in, true)) << c.shown;
  }
}
