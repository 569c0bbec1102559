// SPDX-License-Identifier: Apache-2.0
// The terminal itself as the reader: an export of hostile text, drawn line
// by line in a tmux pane, must keep every frame line exactly as wide as its
// border, so no record's frame breaks.
#include "oryxutil/export/FormatFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

using oryxtest::readFile;
using oryxtest::TempDir;

namespace {

// Emoji, a ZWJ family, a rainbow flag, a character above the BMP, combining
// marks, VS16 after a narrow and a wide base, zero-width and direction
// characters, a line separator, CJK, Hangul jamo, controls (ESC, BS, VT,
// FF, BEL, DEL, C1) and a malformed byte.
const char* const kHostile[] = {
    "a\xF0\x9F\x98\x80",                                                   // a😀
    "\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6",                              // 𠮷野家
    "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7",  // family
    "\xF0\x9F\x8F\xB3\xEF\xB8\x8F\xE2\x80\x8D\xF0\x9F\x8C\x88x",               // rainbow flag
    "e\xCC\x81" "a\xCC\x80\xCC\x81o\xE2\x83\x9D",                            // combining, enclosing
    "\xE2\x9D\xA4\xEF\xB8\x8F\xF0\x9F\x98\x80\xEF\xB8\x8F!",                   // ❤️😀️!
    "\xE2\x80\x8Bz\xE2\x80\xAEw\xEF\xBB\xBFv\xE2\x80\xA8u",                   // 200B 202E FEFF 2028
    "\xE4\xB8\xAD\xE6\x96\x87\xED\x95\x9C\xE1\x84\x80\xE1\x85\xA1",            // 中文한 + jamo
    "red\x1B[31mX\x08\x0B\x0C\x07\x7F\xC2\x9B" "2J\x01",                       // controls
    "tab\there\nnew\rret bad\xC3(",
    "",
    "plain ascii text that wraps over several lines",
};

std::string cell(size_t k) { return kHostile[k % (sizeof(kHostile) / sizeof(kHostile[0]))]; }

}  // namespace

TEST(TxtTerminal, EveryFrameLineDrawnByTmuxIsExactlyAsWideAsItsBorder) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  const std::string exported = dir.file("hostile.txt");
  oryx::WriterOptions options;
  options.terminalWidths = true;
  std::unique_ptr<FormatFile> txt(FormatFileFactory::getFormatFile("txt", {}, options));
  ASSERT_EQ(txt->writeColumnTitle({"a\xF0\x9F\x98\x80", "e\xCC\x81", "\xF0\xA0\xAE\xB7", "x"}, "UTF-8",
                                  {7, 1, 4, 11}),
            0);
  ASSERT_EQ(txt->startDocument(exported.c_str()), 0);
  const size_t records = 48;
  for (size_t k = 0; k < records; ++k) {
    ASSERT_EQ(txt->writeRecord(std::vector<std::string>{cell(k), cell(k + 3), cell(k + 7) + cell(k + 1),
                                                        cell(k + 5) + cell(k) + cell(k + 9)}),
              0);
  }
  ASSERT_EQ(txt->endDocument(), 0);

  const std::string result = dir.file("columns");
  const std::string socket = "oryx-txt-" + std::to_string(getpid());
  const std::string command = "LC_ALL=C.UTF-8 tmux -f /dev/null -L " + socket +
                              " new-session -d -x 400 -y 20 'python3 " ORYX_SOURCE_DIR
                              "/tests/export/txt_terminal_probe.py " + exported + " " + result + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (access(result.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::system(("tmux -L " + socket + " kill-server >/dev/null 2>&1").c_str());
  ASSERT_EQ(access(result.c_str(), F_OK), 0) << "the pane gave no answer";

  // A record is the lines up to its border; it is broken when any of them
  // is drawn wider or narrower than the border.
  std::istringstream text(readFile(exported)), columns(readFile(result));
  std::string line;
  size_t border = 0, drawn = 0, blocks = 0, broken = 0;
  bool brokenBlock = false;
  while (std::getline(text, line) && columns >> drawn) {
    if (border == 0) border = line.size();
    brokenBlock = brokenBlock || drawn != border;
    if (line == std::string(border, '*')) blocks += 1, broken += brokenBlock, brokenBlock = false;
  }
  EXPECT_EQ(blocks, 2 + records);  // the first border, the title block and each record
  EXPECT_EQ(broken, 0u);
}
