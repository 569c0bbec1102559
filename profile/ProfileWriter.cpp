// SPDX-License-Identifier: Apache-2.0
#include "profile/ProfileWriter.h"

#include "companion/async/ExitGate.h"
#include "profile/ProfileConfig.h"
#include "profile/ProfileState.h"

namespace {

// A block's room for lines: about 800 typical lines, below the chunk size
// the pool keeps; 32 idle blocks (1 MiB) are kept for reuse. The queue
// never makes a caller wait, and the thread naps 1 ms when it runs empty,
// so a busy caller seldom has to wake it.
const oryx::BackgroundWriter::Settings kSettings = {32 * 1024, 32, 0, 1000, nullptr, nullptr, nullptr, nullptr};

oryx::BackgroundWriter::Settings settings() {
  oryx::BackgroundWriter::Settings result = kSettings;
  result.producers = &oryx::profile::profileLock;
  return result;
}

}  // namespace

oRYXProfileWriter* const oRYXProfileWriter::s_lines = oRYXProfileWriter::createAtLoad();

oRYXProfileWriter::oRYXProfileWriter(const oryx::profile::ProfileFormat& format)
    : oryx::BackgroundWriter(file, settings()), m_format(format) {}

oRYXProfileWriter* oRYXProfileWriter::createAtLoad() {
  const oryx::profile::ProfileConfig& config = oryx::profile::profileConfig();
  if (config.linesPath.empty()) return nullptr;
  oRYXProfileWriter* writer = new oRYXProfileWriter(*config.linesFormat);
  if (writer->file.open(config.linesPath, oryx::OutputFile::Mode::kAppend)) return writer;
  delete writer;
  return nullptr;
}

void oRYXProfileWriter::startOnce() {
  std::lock_guard<std::mutex> guard(m_phaseLock);
  if (m_phase.load(std::memory_order_relaxed) != Phase::kIdle) return;
  // Without a thread nothing would take the events: they are dropped.
  if (BackgroundWriter::start()) oryx::exitgate::atExit(endAtExit);
  m_phase.store(Phase::kStarted, std::memory_order_release);
}

void oRYXProfileWriter::end() {
  std::lock_guard<std::mutex> guard(m_phaseLock);
  m_phase.store(Phase::kEnded, std::memory_order_release);
  stop();
}

// The lines must be complete when the process has exited: the thread is
// stopped while the exit gate still lets it end.
void oRYXProfileWriter::endAtExit() { s_lines->end(); }
