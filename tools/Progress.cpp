#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace oryxtool {

namespace {

// A short export finishes before the line would be of any use.
const std::chrono::milliseconds kFirstDraw(500);
const std::chrono::milliseconds kRedraw(200);

}  // namespace

Progress::Progress(uint64_t inputSize)
    : m_enabled(::isatty(STDERR_FILENO) == 1),
      m_inputSize(inputSize),
      m_start(Clock::now()),
      m_nextDraw(m_start + kFirstDraw) {}

void Progress::maybeDraw(uint64_t bytesRead) {
  const Clock::time_point now = Clock::now();
  if (now < m_nextDraw) return;
  m_nextDraw = now + kRedraw;
  const double seconds = std::chrono::duration<double>(now - m_start).count();
  const double rate = seconds > 0 ? static_cast<double>(m_records) / seconds : 0;
  if (m_inputSize > 0) {
    std::fprintf(stderr, "\r%llu records, %.0f records/s, %.0f%% of the input read\033[K",
                 static_cast<unsigned long long>(m_records), rate,
                 100.0 * static_cast<double>(bytesRead) / static_cast<double>(m_inputSize));
  } else {
    std::fprintf(stderr, "\r%llu records, %.0f records/s\033[K",
                 static_cast<unsigned long long>(m_records), rate);
  }
  m_drawn = true;
}

void Progress::finish() {
  if (m_drawn) std::fputs("\r\033[K", stderr);
  m_drawn = false;
}

}  // namespace oryxtool
