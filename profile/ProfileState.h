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
#include <ace/Message_Block.h>
#include <ace/Thread_Mutex.h>

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

// Hands a line to the writer, which copies it (or drops it after exit()).
void emit(const char* line);

// A line formatted in place and emitted while the lock is held: its block is
// made before the lock is taken, so that the lock covers only formatting
// and queueing. Without a block (lines dropped, or no memory) there is
// nothing to format into and nothing is emitted.
class LockedLine {
 public:
  explicit LockedLine(bool wanted);
  ~LockedLine();  // an unemitted block is discarded
  LockedLine(const LockedLine&) = delete;
  LockedLine& operator=(const LockedLine&) = delete;

  // The line's buffer, or null.
  char (*text())[kLineBuffer];
  void emit();

 private:
  ACE_Message_Block* m_block;
};

}  // namespace profile
}  // namespace oryx

#endif
