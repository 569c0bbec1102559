// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_STDOUTPUMP_H
#define ORYXUTIL_TOOLS_STDOUTPUMP_H

// Standard output as a file name for a writer that opens its file by name:
// the writer opens writerPath(), the write end of a pipe, and a thread
// copies what arrives to standard output as it comes. Opening standard
// output anew by name would truncate a redirected file and lose its
// position or append mode; the pipe keeps standard output exactly as the
// caller set it up.
// When standard output fails (a closed pipe, a full disk) the thread stops
// reading, so the writer's next write fails too; finish() gives the cause.
// The thread starts with the handled signals blocked. Not thread-safe.

#include <string>
#include <thread>

namespace oryxtool {

class StdoutPump {
 public:
  StdoutPump() = default;
  ~StdoutPump();
  StdoutPump(const StdoutPump&) = delete;
  StdoutPump& operator=(const StdoutPump&) = delete;

  // Makes the pipe and starts the copying; false with errno set.
  bool start();
  const std::string& writerPath() const { return m_writerPath; }
  // Ends the copying after the writer closed its file: 0, or the errno of
  // the failed write to standard output.
  int finish();

 private:
  void copy();

  int m_read = -1;
  int m_write = -1;
  int m_error = 0;
  std::string m_writerPath;
  std::thread m_thread;
};

}  // namespace oryxtool

#endif
