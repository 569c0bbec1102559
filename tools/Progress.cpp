// SPDX-License-Identifier: Apache-2.0
#include "Progress.h"

#include "SignalCleanup.h"
#include "ToolCli.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace oryxtool {

namespace {

// A short export finishes before the line would be of any use.
const std::chrono::milliseconds kFirstDraw(500);
const std::chrono::milliseconds kRedraw(100);
const unsigned short kDefaultWidth = 80;

// Asked at every draw, so a resized terminal is followed.
size_t terminalWidth() {
  struct winsize size;
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultWidth;
}

}  // namespace

Progress::Progress(bool shown, const std::string& inputName, uint64_t inputSize)
    : m_shown(shown),
      m_inputName(printable(inputName)),
      m_inputSize(inputSize),
      m_start(Clock::now()),
      m_nextDraw(m_start + kFirstDraw) {}

void Progress::maybeDraw(uint64_t bytesRead) {
  const Clock::time_point now = Clock::now();
  if (now < m_nextDraw) return;
  m_nextDraw = now + kRedraw;
  const double seconds = std::chrono::duration<double>(now - m_start).count();
  const double rate = seconds > 0 ? static_cast<double>(m_records) / seconds : 0;
  char line[512];
  int length = std::snprintf(line, sizeof(line), "%s: %llu records, %.0f records/s", m_inputName.c_str(),
                             static_cast<unsigned long long>(m_records), rate);
  if (m_inputSize > 0 && length > 0 && static_cast<size_t>(length) < sizeof(line)) {
    length += std::snprintf(line + length, sizeof(line) - static_cast<size_t>(length), ", %.0f%% read",
                            100.0 * static_cast<double>(bytesRead) / static_cast<double>(m_inputSize));
  }
  // The last column stays free: writing it makes some terminals wrap.
  const size_t fits = terminalWidth() - 1;
  const size_t shown = length < 0 ? 0 : std::min(static_cast<size_t>(length), std::min(fits, sizeof(line) - 1));
  setProgressShown(true);
  std::fprintf(stderr, "\r%.*s\033[K", static_cast<int>(shown), line);
  std::fflush(stderr);
  m_drawn = true;
}

void Progress::finish() {
  if (m_drawn) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    setProgressShown(false);
  }
  m_drawn = false;
}

}  // namespace oryxtool
