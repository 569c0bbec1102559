// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_ATOMICOUTPUT_H
#define ORYXUTIL_TOOLS_ATOMICOUTPUT_H

// The files of one export, which appear whole or not at all. The writer
// writes into a private temporary directory made in the target directory;
// commit() renames every file into place at once, and an output that is not
// committed (failure, destruction, a handled signal) leaves no trace: the
// temporaries and the directories the run created are removed, existing
// files stay exactly as they were.
// - Only a regular file is ever replaced; a symbolic link is followed to its
//   file, which is replaced and the link kept. An existing device, FIFO or
//   socket is written to in place (nothing to undo, nothing removed).
// - The input file is refused as output, also as any existing part name,
//   by device and inode.
// - Part names are STEM-N.EXT for the output STEM.EXT, as the part wrapper
//   names them; a compressed output keeps .gz or .zst last (STEM-N.csv.gz).
//   Parts are replaced as a set: the run holds an flock on .STEM.EXT.lock
//   beside them from prepare() to its end (a second run to the same name
//   waits), and commit() removes the parts of the name beyond the new count.
// - The temporary directory is named .oryx-export-PID-BOOTID-XXXXXX;
//   prepare() removes those of the target directory whose process is gone
//   (no such pid, or another boot), such as a killed run left.
// Messages: errorPath() and errorReason() name the file and the cause.
// Not thread-safe.

#include "SignalCleanup.h"

#include <sys/stat.h>

#include <string>
#include <vector>

namespace oryxtool {

class AtomicOutput {
 public:
  enum Result { kReady, kFailed, kSameAsInput };

  AtomicOutput(const std::string& path, bool parts, bool noClobber, bool compressed = false);
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Checks the target against `input` (null: not a regular file) and sets
  // up the temporary directory; nothing is opened for writing before.
  Result prepare(const struct stat* input);
  // The path the writer is to open: the file, or the part wrapper's base.
  const std::string& writerPath() const { return m_writerPath; }
  // Moves the `count` written files (parts, or the one file) into place;
  // `written` gets their names as the user gave the path.
  bool commit(size_t count, std::vector<std::string>& written);
  // Removes the temporaries now (also done by the destructor).
  void abandon();
  // `text` with the temporary file names in it replaced by the names they
  // are to take, so that a writer's report names the user's file.
  std::string shownText(std::string text) const;

  const std::string& errorPath() const { return m_errorPath; }
  const std::string& errorReason() const { return m_errorReason; }

 private:
  bool fail(const std::string& path, const std::string& reason);
  bool resolveTarget(const struct stat* input, Result& result);
  bool checkParts(const struct stat* input, Result& result);
  size_t partNumber(const std::string& name) const;
  bool openDirectory();
  bool lockParts();
  void removeLeftovers();
  void removePartsBeyond(size_t count);
  bool makeTemporaryDirectory();
  std::string finalName(size_t index) const;
  std::string temporaryName(size_t index) const;
  void closeAll();

  std::string m_path;        // as the user gave it
  bool m_parts;
  bool m_noClobber;
  bool m_compressed;
  bool m_inPlace = false;    // an existing device, FIFO or socket
  std::string m_directory;   // the target directory, "" for the working one
  std::string m_userPrefix;  // what precedes the file name in the user's path
  std::string m_name;        // the target file name (parts: STEM.EXT)
  std::string m_stem, m_extension;
  int m_directoryFd = -1;
  std::vector<int> m_openFds;  // every directory descriptor held
  Temporaries m_temporaries;
  std::string m_writerPath;
  std::string m_temporaryPrefix;  // how the writer's paths into the temporary directory begin
  std::string m_errorPath, m_errorReason;
};

}  // namespace oryxtool

#endif
