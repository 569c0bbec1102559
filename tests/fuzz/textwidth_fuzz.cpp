// SPDX-License-Identifier: Apache-2.0
// Cutting a fuzzed cell text into lines: the cut never reads past the text
// (ASan), every line is W display columns unless it holds one character
// only, repairs change bytes only to "?", and the lines hold the repaired
// text in order with nothing but padding blanks added. The read-only cut of
// a cell that needs no repair gives the same lines.
#include "export/txt/TextWidth.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t columnWidth = data[0] % 12;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  // The repaired text as the cut sees it: blanks for control bytes, then "?"
  // wherever the stepper repairs.
  std::string repaired = text;
  for (char& c : repaired) {
    if (c == '\t' || c == '\n' || c == '\r' || c == '\0') c = ' ';
  }
  // Each character of the repaired text: where it ends and its columns. (A
  // repair keeps a lead byte where it says so, so the repaired text is not
  // always clean UTF-8 itself: widths are taken from this one pass.)
  std::vector<uint32_t> ends;
  std::vector<uint32_t> widths;
  uint32_t position = 0;
  int width = 0;
  while (oryx::nextUtf8Char(repaired.empty() ? nullptr : &repaired[0],
                            static_cast<uint32_t>(repaired.size()), position, width)) {
    ends.push_back(position);
    widths.push_back(static_cast<uint32_t>(width));
  }
  for (size_t i = 0; i < text.size(); ++i) {
    const char original = text[i];
    const bool blanked = original == '\t' || original == '\n' || original == '\r' || original == '\0';
    if (repaired[i] != (blanked ? ' ' : original) && repaired[i] != '?') std::abort();
  }

  const std::vector<std::string> lines = oryx::splitCell(text, columnWidth);
  if (lines.empty()) std::abort();
  size_t consumed = 0;
  size_t character = 0;
  for (const std::string& line : lines) {
    // Padding precedes only a character that did not fit, never a blank, so
    // the longest match with the repaired text is the line's content.
    size_t matched = 0;
    while (matched < line.size() && consumed + matched < repaired.size() &&
           line[matched] == repaired[consumed + matched]) {
      ++matched;
    }
    if (line.find_first_not_of(' ', matched) != std::string::npos) std::abort();
    consumed += matched;
    uint32_t columns = static_cast<uint32_t>(line.size() - matched);
    uint32_t characters = 0;
    while (character < ends.size() && ends[character] <= consumed) {
      columns += widths[character++];
      ++characters;
    }
    if (character > 0 && ends[character - 1] != consumed) std::abort();  // a character was split
    if (columns != columnWidth && characters != 1 && !text.empty()) std::abort();
  }
  if (consumed != repaired.size()) std::abort();

  // The read-only cut, from an exactly sized copy (ASan sees any read past
  // it), gives the same lines whenever it takes the cell at all, and takes
  // every cell that needs no repair.
  std::unique_ptr<char[]> exact(new char[text.size()]);
  std::memcpy(exact.get(), text.data(), text.size());
  std::vector<oryx::CellPiece> pieces;
  if (oryx::cutWellFormed(exact.get(), static_cast<uint32_t>(text.size()), columnWidth, pieces)) {
    if (pieces.size() != lines.size()) std::abort();
    for (size_t k = 0; k < pieces.size(); ++k) {
      const std::string line = text.substr(pieces[k].offset, pieces[k].length) +
                               std::string(pieces[k].padding, ' ');
      if (line != lines[k]) std::abort();
    }
  } else if (repaired == text) {
    std::abort();
  }
  return 0;
}
