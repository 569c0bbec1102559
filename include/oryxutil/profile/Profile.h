// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_PROFILE_H
#define ORYXUTIL_PROFILE_PROFILE_H

// Named timers for measuring stretches of work. startTimer/stopTimer hand
// text lines ("Started[name]", "Elapsed[name]:..s:..ms:..us:..ns",
// "Timestamp[name]:..s:..us", each cut to 255 characters, ending in "\n")
// to a background writer and return at once. Nested timers indent their
// lines by two blanks per running timer. With OX_PROFILE_FILE set when the
// library loads, the lines are appended to that file by a thread that
// starts with the first line; otherwise they are dropped (and no thread
// starts).
// Results: no operation fails visibly; unknown names are quiet no-ops.
// Threads: every operation may be called from any thread. Names are
// process-wide: two threads using one name share (and restart) one timer,
// and the one indent is shared by all threads.

#include "oryxutil/Visibility.h"

#include <ace/High_Res_Timer.h>

#include <string>

class ORYXUTIL_EXPORT oRYXProfile {
 public:
  oRYXProfile& operator=(const oRYXProfile&) { return *this; }

  // Creates the name's timer if needed, resets and starts it; emits its
  // start line (unless OX_PROFILE_NO_WRITE_START was set at load), then
  // deepens the indent (unless OX_PROFILE_NO_WRITE_INDENT was set).
  static void startTimer(std::string name);
  // Stops the name's timer and emits its elapsed line. The timer stays in
  // the table until clean().
  static void stopTimer(std::string name);
  // The elapsed line of the name's timer ("" for an unknown name); each
  // call removes one indent step. A running timer reports the time since
  // its start.
  static std::string getElapsedTime(std::string name);
  // Forgets the name's timer. Emits nothing; the indent is left as it is.
  static void clean(std::string name);
  // The timestamp line: wall-clock seconds since 1970 and microseconds.
  static std::string getTime(std::string name);
  // Emits getTime(name).
  static void writeTime(std::string name);

  // Caller-owned timers: no table, no lock, no lines. Null is ignored.
  static void startTimer(ACE_High_Res_Timer* timer);
  static void stopTimer(ACE_High_Res_Timer* timer);
  // Whole milliseconds between the last start and stop; 0 for null.
  static long getElapsedTime(ACE_High_Res_Timer* timer);

  // Ends the writer's thread once the lines emitted so far are in the file
  // (it returns then); later lines are dropped without blocking the caller.
  // Further calls do nothing.
  static void exit();
};

// Times its scope under one name: starts the timer when constructed, stops
// it (emitting the elapsed line) and forgets it when destroyed. A copy takes
// the name only and starts nothing. A null name is the empty name.
class ORYXUTIL_EXPORT oRYXAutoProfile {
 public:
  oRYXAutoProfile(const char* name);  // NOLINT: converting, as callers write it
  ~oRYXAutoProfile();
  oRYXAutoProfile(const oRYXAutoProfile& other);
  oRYXAutoProfile& operator=(const oRYXAutoProfile& other);

 private:
  std::string m_name;
};

#endif
