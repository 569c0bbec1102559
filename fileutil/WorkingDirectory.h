// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_WORKINGDIRECTORY_H
#define ORYXUTIL_FILEUTIL_WORKINGDIRECTORY_H

// Enters a directory as the process's working directory and goes back to
// the saved one when destroyed, so every exit path restores it. The working
// directory is process-wide: callers serialise the users of this guard.

namespace oryx {
namespace fileutil {

class WorkingDirectory {
 public:
  explicit WorkingDirectory(const char* encoding) : m_encoding(encoding) {}
  ~WorkingDirectory();
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  // Saves the current directory and changes into `dir`. False (and nothing
  // to restore) when either step fails.
  bool enter(const char* dir);

 private:
  // The saved directory has the size of the platform's classic path limit;
  // a longer working directory makes the zip operations fail before they
  // change anything.
  static const int kSavedSize = 260;

  const char* m_encoding;
  char m_saved[kSavedSize];
  bool m_entered = false;
};

}  // namespace fileutil
}  // namespace oryx

#endif
