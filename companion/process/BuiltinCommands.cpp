// SPDX-License-Identifier: Apache-2.0
#include "companion/process/BuiltinCommands.h"

#include "companion/io/Descriptor.h"
#include "companion/io/DirectoryReader.h"
#include "companion/text/Wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace oryx {

namespace {

bool isSwitch(const std::string& word) {
  return word.size() == 2 && word[0] == '/' && std::isalpha(static_cast<unsigned char>(word[1]));
}

std::vector<std::string> withoutSwitches(const std::vector<std::string>& arguments) {
  std::vector<std::string> kept;
  for (const std::string& argument : arguments) {
    if (!isSwitch(argument)) kept.push_back(argument);
  }
  return kept;
}

bool isRegularFile(const std::string& path) {
  struct ::stat record;
  return ::lstat(path.c_str(), &record) == 0 && S_ISREG(record.st_mode);
}

// 0 when at least one entry matched and every match was removed. The
// directory is held open while it is read and its entries removed, so a
// directory swapped for a link meanwhile never redirects a removal.
int deleteMatching(const std::string& pattern) {
  const std::string::size_type slash = pattern.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  const std::string glob = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  const Descriptor held = openDirectory(AT_FDCWD, directory.c_str(), false);
  if (!held.isOpen()) return 1;
  // Names first, removals after: the directory is not changed while read.
  std::vector<std::string> matches;
  DirectoryReader reader(held.get());
  while (const struct dirent* entry = reader.next()) {
    if (matchesWildcard(glob, entry->d_name)) matches.push_back(entry->d_name);
  }
  int status = matches.empty() ? 1 : 0;
  for (const std::string& name : matches) {
    struct ::stat record;
    if (::fstatat(held.get(), name.c_str(), &record, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(record.st_mode)) {
      continue;
    }
    if (::unlinkat(held.get(), name.c_str(), 0) != 0) status = 1;
  }
  return status;
}

// Copies a regular file to a new file (an existing `to` is refused); a
// failed copy removes what it wrote.
bool copyFile(const std::string& from, const std::string& to) {
  // Non-blocking: a FIFO is refused below, not waited on for a writer.
  const Descriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct ::stat record;
  if (!in.isOpen() || ::fstat(in.get(), &record) != 0 || !S_ISREG(record.st_mode)) return false;
  Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, record.st_mode & 07777));
  if (!out.isOpen()) return false;
  bool ok = copyAll(in.get(), out.get());
  if (ok) {
    const struct timespec times[2] = {record.st_atim, record.st_mtim};
    ::futimens(out.get(), times);
  }
  if (::close(out.release()) != 0) ok = false;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

}  // namespace

int deleteFiles(const std::vector<std::string>& arguments) {
  return deleteNamedFiles(withoutSwitches(arguments));
}

int deleteNamedFiles(const std::vector<std::string>& names) {
  if (names.empty()) return 1;
  int status = 0;
  for (const std::string& name : names) {
    if (hasWildcard(name)) {
      if (deleteMatching(name) != 0) status = 1;
    } else if (!isRegularFile(name) || ::unlink(name.c_str()) != 0) {
      status = 1;
    }
  }
  return status;
}

int moveFile(const std::vector<std::string>& arguments) {
  const std::vector<std::string> paths = withoutSwitches(arguments);
  if (paths.size() != 2) return 1;
  const std::string& source = paths[0];
  std::string target = paths[1];
  struct ::stat record;
  if (::stat(target.c_str(), &record) == 0 && S_ISDIR(record.st_mode)) {
    const std::string::size_type slash = source.rfind('/');
    target += "/" + (slash == std::string::npos ? source : source.substr(slash + 1));
  }
  if (::rename(source.c_str(), target.c_str()) == 0) return 0;
  if (errno != EXDEV) return 1;
  // Across file systems the copy is made beside the target and renamed over
  // it: a copy that fails (a full disk) leaves an existing target as it was.
  const std::string copy = target + ".oryx-move-" + std::to_string(::getpid());
  if (!copyFile(source, copy)) return 1;
  if (::rename(copy.c_str(), target.c_str()) != 0) {
    ::unlink(copy.c_str());
    return 1;
  }
  return ::unlink(source.c_str()) == 0 ? 0 : 1;
}

int moveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno == EINVAL || errno == ENOSYS) {
    // A file system without the no-replace rename: a hard link is never
    // made over an existing entry either.
    if (::link(from.c_str(), to.c_str()) != 0) {
      if (errno != EXDEV) return 1;
    } else {
      ::unlink(from.c_str());
      return 0;
    }
  } else if (errno != EXDEV) {
    return 1;
  }
  if (!copyFile(from, to)) return 1;
  return ::unlink(from.c_str()) == 0 ? 0 : 1;
}

}  // namespace oryx
