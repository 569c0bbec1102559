#ifndef ORYXUTIL_PROFILE_PROFILESTATE_H
#define ORYXUTIL_PROFILE_PROFILESTATE_H

// The profiler's process-wide state. Loading the library creates, in this
// order, the timer table, its lock, the indent prefix and then the profile
// writer (which reads the switches and starts its thread). Unloading stops
// the writer's thread and discards the timers.
// The table, the lock, the indent and the writer are never destroyed: a
// thread that still profiles while the process exits finds them valid (its
// lines are dropped, its timers stay reachable).
// Threads: timerTable and indentPrefix only while profileLock is held;
// writeStart and writeIndent are written once at load, before any caller.

#include "profile/LineFormat.h"

#include <ace/High_Res_Timer.h>
#include <ace/Thread_Mutex.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class oRYXProfileWriter;

namespace oryx {
namespace profile {

struct NamedTimer {
  ACE_High_Res_Timer timer;
  // Whether the timer was started and not stopped since: ACE reads such a
  // timer's span as garbage, so the profiler measures it up to now instead.
  bool running = false;
  // The trace's clock at the last start (0 when not tracing).
  uint64_t traceStart = 0;
};

typedef std::map<std::string, std::unique_ptr<NamedTimer>> TimerTable;

extern TimerTable& timerTable;
extern ACE_Thread_Mutex& profileLock;
extern std::string& indentPrefix;
extern bool writeStart;
extern bool writeIndent;
extern oRYXProfileWriter* const profileWriter;

// The two blanks of one indent step.
extern const char kIndentStep[];

// Hands a copy of a line to the writer (null: the end marker). Takes
// profileLock.
void emit(const char* line);

// A line formatted in place, with profileLock held: the buffer at the end of
// the writer's pending batch (null when lines are dropped or memory runs
// out), then addLine() with the length formatted there.
typedef char LineText[kLineBuffer];
LineText* lineRoom();
void addLine(size_t length);

}  // namespace profile
}  // namespace oryx

#endif
