// SPDX-License-Identifier: Apache-2.0
// Exercises the library at the edges of a process's life, run by the process
// tests as a fresh program. Usage: process_child <scenario> <directory>.
//  exit-busy: eight threads list, profile and export in <directory> while
//    main returns; the process must end at once, without a fault.
//  fork: a local-charset TXT document is open with records still queued when
//    the process forks; each child closes it its own way and exits. The
//    parent finishes the document: <directory>/parent.txt must hold record 0
//    to kRecords - 1 once each, in order.
#include "oryxutil/companion/TraceClient.h"
#include "oryxutil/export/FormatFile.h"
#include "oryxutil/fileutil/FileUtil.h"
#include "oryxutil/profile/Profile.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kBusyThreads = 8;
const int kRecords = 60000;
const int kForks = 12;

// Rounds finished by the busy threads. Static and trivially destroyed, so it
// outlives exit: the threads keep counting after main has returned, when a
// local of main would be stack that exit's own frames (the dynamic linker's
// list of libraries to finalize) have taken over.
std::atomic<int> s_rounds{0};

std::unique_ptr<FormatFile> writer(const char* type, const char* encoding) {
  std::unique_ptr<FormatFile> file(FormatFileFactory::getFormatFile(type, {}));
  if (file) file->writeColumnTitle({"n", "text"}, encoding, {6, 20});
  return file;
}

std::vector<std::string> record(int n) { return {std::to_string(n), "record " + std::to_string(n)}; }

int exitWhileBusy(const std::string& dir) {
  // Documents that cannot start while the process exits are reported; the
  // reports are not what this scenario looks at.
  oRYXcommon::TraceClient::Instance()->setSink([](int, int, const std::string&) {});
  for (int t = 0; t < kBusyThreads; ++t) {
    std::thread([t, dir] {
      const std::string name = dir + "/busy-" + std::to_string(t);
      for (int i = 0;; ++i) {
        oRYXAutoProfile scope(("round " + std::to_string(t)).c_str());
        std::list<FILEINFO> files;
        oRYXFileUtil::getFileList(dir.c_str(), files, i % 2 ? ORDER_BY_TIME : ORDER_BY_NAME, 0);
        // A local-charset TXT document runs a writer thread of its own.
        for (const char* type : {"txt", "csv"}) {
          std::unique_ptr<FormatFile> file = writer(type, "GBK");
          if (!file || file->startDocument((name + "." + type).c_str()) != 0) return;
          for (int n = 0; n < 50; ++n) file->writeRecord(record(n));
          file->endDocument();
        }
        s_rounds.fetch_add(1);
      }
    }).detach();
  }
  // Every thread is well into its work before main returns.
  while (s_rounds.load() < 2 * kBusyThreads) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}

// How a child leaves the document it inherited.
enum class ChildEnd { kExitWithDocumentOpen, kEndDocument, kDeleteWriter };

int forkWithDocumentOpen(const std::string& dir) {
  std::unique_ptr<FormatFile> file = writer("txt", "GBK");
  if (!file || file->startDocument((dir + "/parent.txt").c_str()) != 0) return 3;
  std::vector<pid_t> children;
  int written = 0;
  for (int f = 0; f < kForks; ++f) {
    for (const int stop = (f + 1) * kRecords / kForks; written < stop; ++written) {
      file->writeRecord(record(written));
    }
    oRYXProfile::writeTime("parent " + std::to_string(f));
    const pid_t child = ::fork();
    if (child < 0) return 4;
    if (child == 0) {
      oRYXProfile::writeTime("child");
      switch (static_cast<ChildEnd>(f % 3)) {
        case ChildEnd::kExitWithDocumentOpen: break;
        case ChildEnd::kEndDocument: file->endDocument(); break;
        case ChildEnd::kDeleteWriter: file.reset(); break;
      }
      std::exit(0);
    }
    children.push_back(child);
  }
  const long ended = file->endDocument();
  int failed = ended == 0 ? 0 : 5;
  for (const pid_t child : children) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) failed = 6;
  }
  return failed;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Threads here outlive main by design; a local of main that one of them
// still reaches must be reported, not silently reused by exit's frames.
extern "C" const char* __asan_default_options() { return "detect_stack_use_after_return=1"; }
#endif

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string scenario = argv[1];
  if (scenario == "exit-busy") return exitWhileBusy(argv[2]);
  if (scenario == "fork") return forkWithDocumentOpen(argv[2]);
  return 2;
}
