// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_PROGRESS_H
#define ORYXUTIL_TOOLS_PROGRESS_H

// The progress line of a long export on standard error: records done,
// records per second and, when the input size is known, the share of it
// read. One line cut to the terminal's width, first drawn after half a
// second, redrawn at most ten times a second, erased by finish() (and by the
// signal handler). Shown by default only when standard error is a terminal.
// Not thread-safe.

#include <chrono>
#include <cstdint>
#include <string>

namespace oryxtool {

class Progress {
 public:
  // `shown`: whether to draw at all. `inputSize` 0: unknown (a pipe).
  Progress(bool shown, const std::string& inputName, uint64_t inputSize);
  ~Progress() { finish(); }

  // Counts one record; `bytesRead` is the input consumed so far.
  void record(uint64_t bytesRead) {
    ++m_records;
    if (m_shown && (m_records & 1023) == 0) maybeDraw(bytesRead);
  }
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void maybeDraw(uint64_t bytesRead);

  bool m_shown;
  bool m_drawn = false;
  std::string m_inputName;
  uint64_t m_inputSize;
  uint64_t m_records = 0;
  Clock::time_point m_start;
  Clock::time_point m_nextDraw;
};

}  // namespace oryxtool

#endif
