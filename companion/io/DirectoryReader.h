// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_IO_DIRECTORYREADER_H
#define ORYXUTIL_COMPANION_IO_DIRECTORYREADER_H

// The one way the library reads a directory: held by descriptor, its names
// read as opaque bytes. A name is used only relative to the descriptor it
// was read from (fstatat, openat, unlinkat), so no byte of it is ever mapped
// or taken as a separator; a caller's encoding is applied only where a name
// leaves the library. Descriptors are close-on-exec: a started program
// inherits none. Threads: one reader per thread; readers are not shared.

#include "companion/io/Descriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace oryx {

// Opens the directory `path` (relative to `at`, or AT_FDCWD); with
// `noFollow` a symbolic link as the last component is refused, not followed.
Descriptor openDirectory(int at, const char* path, bool noFollow);

bool isDotOrDotDot(const char* name);

// fstatat of `name` in `dirFd` without following a link.
bool entryStatus(int dirFd, const char* name, struct ::stat& record);

// Reads the entries of one directory from its start, "." and ".." left out.
class DirectoryReader {
 public:
  // Reads through a duplicate of `dirFd`: the caller's descriptor stays
  // usable and owned by the caller.
  explicit DirectoryReader(int dirFd);
  // Takes `directory` over and reads it; closed with the reader.
  explicit DirectoryReader(Descriptor directory);
  ~DirectoryReader();
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;

  bool isOpen() const { return m_stream != nullptr; }
  // The descriptor entries are relative to (the reader's own), -1 when closed.
  int fd() const;

  // The next entry, null at the end or on a read error (see error()). The
  // entry stays valid until the next call.
  const struct dirent* next();
  // As next(), "." and ".." included.
  const struct dirent* nextAny();

  // The errno of the read error that ended the reading, 0 when none.
  int error() const { return m_error; }

 private:
  DIR* m_stream = nullptr;
  int m_error = 0;
};

}  // namespace oryx

#endif
