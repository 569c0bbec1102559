#ifndef ORYXUTIL_TOOLS_PROGRESS_H
#define ORYXUTIL_TOOLS_PROGRESS_H

// The progress line of a long export on standard error: records done,
// records per second and, when the input size is known, the percentage of it
// read. Shown only when standard error is a terminal and the export has run
// for a while; redrawn a few times a second; erased by finish().
// Not thread-safe.

#include <chrono>
#include <cstdint>

namespace oryxtool {

class Progress {
 public:
  // `inputSize` 0: the size is unknown (a pipe), no percentage.
  explicit Progress(uint64_t inputSize);

  // Counts one record; `bytesRead` is the input consumed so far.
  void record(uint64_t bytesRead) {
    ++m_records;
    if (m_enabled && (m_records & 1023) == 0) maybeDraw(bytesRead);
  }
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void maybeDraw(uint64_t bytesRead);

  bool m_enabled;
  bool m_drawn = false;
  uint64_t m_inputSize;
  uint64_t m_records = 0;
  Clock::time_point m_start;
  Clock::time_point m_nextDraw;
};

}  // namespace oryxtool

#endif
