#include "profile/ProfileState.h"

#include "companion/async/AdaptiveMutex.h"
#include "profile/ProfileWriter.h"

#include <ace/Guard_T.h>
#include <ace/Object_Manager.h>

namespace oryx {
namespace profile {

// Defined together so that one translation unit fixes the load order.
TimerTable& timerTable = *new TimerTable;
// Threads that profile at once meet on the lock briefly each time.
ACE_Thread_Mutex& profileLock = *new AdaptiveMutex;
std::string& indentPrefix = *new std::string;
bool writeStart = true;
bool writeIndent = true;
oRYXProfileWriter* const profileWriter = oRYXProfileWriter::createAtLoad();

const char kIndentStep[] = "  ";

void emit(const char* line) { profileWriter->enqueue(line); }

LineText* lineRoom() { return reinterpret_cast<LineText*>(profileWriter->lineRoom()); }

void addLine(size_t length) { profileWriter->addLine(length); }

namespace {

void stopWriterBeforeAce(void*, void*) { profileWriter->shutdown(); }

// Unloading: the writer's thread ends after the lines queued so far, then
// the timers are discarded. The thread's end needs ACE, so it is also one of
// ACE's exit hooks, which run before ACE tears down whatever order the
// libraries are finalized in; a second shutdown does nothing.
struct Unload {
  Unload() {
    ACE_Object_Manager::at_exit(profileWriter, stopWriterBeforeAce, nullptr, "oryxutil profiler");
  }
  ~Unload() {
    profileWriter->shutdown();
    ACE_Guard<ACE_Thread_Mutex> guard(profileLock);
    timerTable.clear();
    indentPrefix.clear();
  }
} unload;

}  // namespace

}  // namespace profile
}  // namespace oryx
