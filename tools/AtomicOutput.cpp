// SPDX-License-Identifier: Apache-2.0
#include "AtomicOutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace oryxtool {

namespace {

const char kTemporaryHead[] = ".oryx-export-";

// This boot's id without its dashes ("0" where the system has none), so a
// temporary directory tells whether its process may still run.
const std::string& bootId() {
  static const std::string id = [] {
    std::string text;
    if (FILE* file = std::fopen("/proc/sys/kernel/random/boot_id", "re")) {
      for (int c; (c = std::fgetc(file)) != EOF;) {
        if (std::isxdigit(c)) text += static_cast<char>(c);
      }
      std::fclose(file);
    }
    return text.empty() ? std::string("0") : text.substr(0, 32);
  }();
  return id;
}

// A listing of the directory open as `fd`, from its start whatever was read
// through `fd` before (a duplicate would share its position); null with errno.
DIR* openStream(int fd) {
  const int own = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* stream = own < 0 ? nullptr : ::fdopendir(own);
  if (stream == nullptr && own >= 0) {
    const int error = errno;
    ::close(own);
    errno = error;
  }
  return stream;
}

// Whether the temporary directory `name` (.oryx-export-PID-BOOTID-XXXXXX)
// belongs to a process that is gone. Names of another shape are never touched.
bool isLeftover(const std::string& name) {
  const size_t head = sizeof(kTemporaryHead) - 1;
  if (name.compare(0, head, kTemporaryHead) != 0) return false;
  const size_t pidEnd = name.find('-', head);
  const size_t bootEnd = pidEnd == std::string::npos ? pidEnd : name.find('-', pidEnd + 1);
  if (bootEnd == std::string::npos || pidEnd == head || pidEnd - head > 9) return false;
  for (size_t i = head; i < pidEnd; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  const pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + head));
  if (name.compare(pidEnd + 1, bootEnd - pidEnd - 1, bootId()) != 0) return true;
  return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `text` is a part number as the wrapper writes it: decimal, no leading zero.
bool isPartNumber(const std::string& text) {
  if (text.empty() || text[0] == '0') return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The path by which the writer reaches `name` in the directory open as `fd`:
// no byte of the user's path passes through the library's path rules.
std::string throughDescriptor(int fd, const std::string& name) {
  return "/proc/self/fd/" + std::to_string(fd) + "/" + name;
}

}  // namespace

AtomicOutput::AtomicOutput(const std::string& path, bool parts, bool noClobber, bool compressed)
    : m_path(path), m_parts(parts), m_noClobber(noClobber), m_compressed(compressed) {}

AtomicOutput::~AtomicOutput() {
  abandon();
  closeAll();
}

bool AtomicOutput::fail(const std::string& path, const std::string& reason) {
  m_errorPath = path;
  m_errorReason = reason;
  return false;
}

AtomicOutput::Result AtomicOutput::prepare(const struct stat* input) {
  Result result = kFailed;
  if (!resolveTarget(input, result)) return result;
  if (m_inPlace) return kReady;
  {
    SignalBlock block;  // every directory made is on record before a signal can act
    watchTemporaries(&m_temporaries);
    if (!openDirectory()) return kFailed;
  }
  if (m_parts && (!lockParts() || !checkParts(input, result))) return result;
  removeLeftovers();
  SignalBlock block;
  if (!makeTemporaryDirectory()) return kFailed;
  m_temporaryPrefix = throughDescriptor(m_temporaries.fd, "");
  m_writerPath = m_temporaryPrefix + (m_parts ? "part.x" : "out");
  return kReady;
}

bool AtomicOutput::lockParts() {
  const std::string name = "." + m_name + ".lock";
  if (name.size() > NAME_MAX) return fail(m_path, std::strerror(ENAMETOOLONG));
  // The holder removes the file before it lets go, so a lock taken on a
  // file that no longer has the name is taken again on the new one.
  for (;;) {
    int fd;
    {
      SignalBlock block;
      fd = ::openat(m_directoryFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0) return fail(m_userPrefix + name, std::strerror(errno));
      m_openFds.push_back(fd);
    }
    if (::flock(fd, LOCK_EX) != 0) return fail(m_userPrefix + name, std::strerror(errno));
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::fstatat(m_directoryFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        sameFile(held, named)) {
      SignalBlock block;
      m_temporaries.lockHolderFd = m_directoryFd;
      std::memcpy(m_temporaries.lockName, name.c_str(), name.size() + 1);
      return true;
    }
    ::close(fd);
    m_openFds.pop_back();
  }
}

void AtomicOutput::removeLeftovers() {
  DIR* directory = openStream(m_directoryFd);
  if (directory == nullptr) return;
  std::vector<std::string> gone;
  while (const struct dirent* entry = ::readdir(directory)) {
    // Opened below as a directory only, never through a link.
    if ((entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) && isLeftover(entry->d_name)) {
      gone.push_back(entry->d_name);
    }
  }
  ::closedir(directory);
  for (const std::string& name : gone) {
    std::unique_ptr<Temporaries> leftover(new Temporaries);
    if (name.size() >= sizeof(leftover->name)) continue;
    leftover->holderFd = m_directoryFd;
    std::memcpy(leftover->name, name.c_str(), name.size() + 1);
    leftover->fd = ::openat(m_directoryFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (leftover->fd < 0) continue;
    removeTemporaries(*leftover);
    ::close(leftover->fd);
  }
}

bool AtomicOutput::resolveTarget(const struct stat* input, Result& result) {
  std::string target = m_path;
  struct stat status;
  if (!m_path.empty() && m_path.back() == '/') return fail(m_path, std::strerror(EISDIR));
  if (!m_parts && ::stat(m_path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return fail(m_path, std::strerror(EISDIR));
    if (input != nullptr && sameFile(status, *input)) {
      result = kSameAsInput;
      return fail(m_path, "is the input file; write the export elsewhere");
    }
    if (m_noClobber) return fail(m_path, std::strerror(EEXIST));
    if (!S_ISREG(status.st_mode)) {
      m_inPlace = true;
      m_writerPath = m_path;
      return true;
    }
    struct stat link;
    if (::lstat(m_path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(m_path.c_str(), nullptr), &std::free);
      if (!resolved) return fail(m_path, std::strerror(errno));
      target = resolved.get();
    }
  } else if (!m_parts && errno != ENOENT) {
    return fail(m_path, std::strerror(errno));
  } else if (!m_parts && ::lstat(m_path.c_str(), &status) == 0) {
    return fail(m_path, "symbolic link to a missing file");
  }
  const size_t userSlash = m_path.rfind('/');
  m_userPrefix = userSlash == std::string::npos ? "" : m_path.substr(0, userSlash + 1);
  const size_t slash = target.rfind('/');
  m_directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  m_name = target.substr(slash == std::string::npos ? 0 : slash + 1);
  if (m_parts) {
    size_t dot = m_name.rfind('.');
    const std::string suffix = dot == std::string::npos ? "" : m_name.substr(dot);
    if (m_compressed && dot != 0 && (suffix == ".gz" || suffix == ".zst")) {
      const size_t before = m_name.rfind('.', dot - 1);
      if (before != std::string::npos) dot = before;
    }
    if (dot == std::string::npos) {
      return fail(m_path, "with --part-size the output file name needs an extension, such as report.csv");
    }
    m_stem = m_name.substr(0, dot);
    m_extension = m_name.substr(dot);
  }
  return true;
}

size_t AtomicOutput::partNumber(const std::string& name) const {
  const std::string head = m_stem + "-";
  if (name.size() <= head.size() + m_extension.size() || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - m_extension.size(), m_extension.size(), m_extension) != 0) {
    return 0;
  }
  const std::string number = name.substr(head.size(), name.size() - head.size() - m_extension.size());
  if (!isPartNumber(number)) return 0;
  return number.size() > 18 ? SIZE_MAX : static_cast<size_t>(std::strtoull(number.c_str(), nullptr, 10));
}

bool AtomicOutput::checkParts(const struct stat* input, Result& result) {
  DIR* directory = openStream(m_directoryFd);
  if (directory == nullptr) return fail(m_path, std::strerror(errno));
  bool ok = true;
  while (const struct dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (partNumber(name) == 0) continue;
    const std::string path = m_userPrefix + name;
    struct stat status, link;
    if (::fstatat(m_directoryFd, name.c_str(), &status, 0) == 0 && input != nullptr && sameFile(status, *input)) {
      result = kSameAsInput;
      ok = fail(path, "is the input file; write the export elsewhere");
    } else if (::fstatat(m_directoryFd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(link.st_mode)) {
      ok = fail(path, "exists and is not a regular file");
    } else if (m_noClobber) {
      ok = fail(path, std::strerror(EEXIST));
    }
    if (!ok) break;
  }
  ::closedir(directory);
  return ok;
}

void AtomicOutput::removePartsBeyond(size_t count) {
  DIR* directory = openStream(m_directoryFd);
  if (directory == nullptr) return;
  std::vector<std::string> stale;
  while (const struct dirent* entry = ::readdir(directory)) {
    if (partNumber(entry->d_name) > count) stale.push_back(entry->d_name);
  }
  ::closedir(directory);
  for (const std::string& name : stale) ::unlinkat(m_directoryFd, name.c_str(), 0);
}

bool AtomicOutput::openDirectory() {
  int fd = ::open(m_directory.empty() || m_directory[0] != '/' ? "." : "/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return fail(m_path, std::strerror(errno));
  m_openFds.push_back(fd);
  size_t start = 0;
  while (start < m_directory.size()) {
    const size_t end = m_directory.find('/', start);
    const std::string part = m_directory.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (next < 0 && errno == ENOENT) {
      if (m_temporaries.createdCount == Temporaries::kMaxCreated || part.size() > NAME_MAX) {
        return fail(m_path, "too many missing directory levels");
      }
      if (::mkdirat(fd, part.c_str(), 0777) != 0) return fail(m_path, std::strerror(errno));
      Temporaries::Created& created = m_temporaries.created[m_temporaries.createdCount++];
      created.parentFd = fd;
      std::memcpy(created.name, part.c_str(), part.size() + 1);
      next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (next < 0) return fail(m_path, std::strerror(errno));
    m_openFds.push_back(next);
    fd = next;
  }
  m_directoryFd = fd;
  return true;
}

bool AtomicOutput::makeTemporaryDirectory() {
  std::string pattern = throughDescriptor(
      m_directoryFd, kTemporaryHead + std::to_string(::getpid()) + "-" + bootId() + "-XXXXXX");
  if (::mkdtemp(&pattern[0]) == nullptr) return fail(m_path, std::strerror(errno));
  const std::string name = pattern.substr(pattern.rfind('/') + 1);
  std::memcpy(m_temporaries.name, name.c_str(), name.size() + 1);
  m_temporaries.holderFd = m_directoryFd;
  m_temporaries.fd = ::openat(m_directoryFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_temporaries.fd < 0) {
    const int error = errno;
    ::unlinkat(m_directoryFd, m_temporaries.name, AT_REMOVEDIR);
    return fail(m_path, std::strerror(error));
  }
  m_openFds.push_back(m_temporaries.fd);
  return true;
}

std::string AtomicOutput::finalName(size_t index) const {
  return m_parts ? m_stem + "-" + std::to_string(index + 1) + m_extension : m_name;
}

std::string AtomicOutput::temporaryName(size_t index) const {
  return m_parts ? "part-" + std::to_string(index + 1) + ".x" : "out";
}

bool AtomicOutput::commit(size_t count, std::vector<std::string>& written) {
  written.clear();
  for (size_t i = 0; i < count; ++i) written.push_back(m_parts ? m_userPrefix + finalName(i) : m_path);
  if (m_inPlace) return true;
  const int temporary = m_temporaries.fd;
  for (size_t i = 0; i < count; ++i) {
    // A replaced file keeps its permissions.
    struct stat old;
    if (::fstatat(m_directoryFd, finalName(i).c_str(), &old, 0) == 0 && S_ISREG(old.st_mode) &&
        ::fchmodat(temporary, temporaryName(i).c_str(), old.st_mode & 07777, 0) != 0) {
      return fail(written[i], std::strerror(errno));
    }
  }
  // On disk before any name moves, so a crash never shows a short file under
  // the real name: one file alone, a set of parts in one pass over their
  // file system rather than one wait per part.
  if (count == 1) {
    const int fd = ::openat(temporary, temporaryName(0).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
      const int error = errno;
      if (fd >= 0) ::close(fd);
      return fail(written[0], std::strerror(error));
    }
    ::close(fd);
  } else if (count > 1 && ::syncfs(temporary) != 0) {
    return fail(written[0], std::strerror(errno));
  }
  SignalBlock block;  // all renames happen, or none starts
  for (size_t i = 0; i < count; ++i) {
    const std::string from = temporaryName(i), to = finalName(i);
    int rc = ::renameat2(temporary, from.c_str(), m_directoryFd, to.c_str(), m_noClobber ? RENAME_NOREPLACE : 0);
    if (rc != 0 && errno == EINVAL && m_noClobber) {  // a file system without RENAME_NOREPLACE
      rc = ::linkat(temporary, from.c_str(), m_directoryFd, to.c_str(), 0);
      if (rc == 0) ::unlinkat(temporary, from.c_str(), 0);
    }
    if (rc != 0) return fail(written[i], std::strerror(errno));
  }
  if (m_parts) removePartsBeyond(count);
  ::fsync(m_directoryFd);
  m_temporaries.createdCount = 0;  // they hold the export now
  abandon();
  return true;
}

std::string AtomicOutput::shownText(std::string text) const {
  if (m_temporaryPrefix.empty()) return text;
  for (size_t at = text.find(m_temporaryPrefix); at != std::string::npos;
       at = text.find(m_temporaryPrefix, at + 1)) {
    const size_t start = at + m_temporaryPrefix.size();
    size_t end = start;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-' ||
                                 text[end] == '.')) {
      ++end;
    }
    const std::string name = text.substr(start, end - start);
    std::string shown = m_path;
    if (name.compare(0, 5, "part-") == 0) {
      const size_t number = static_cast<size_t>(std::strtoull(name.c_str() + 5, nullptr, 10));
      if (number > 0) shown = m_userPrefix + finalName(number - 1);
    }
    text.replace(at, end - at, shown);
  }
  return text;
}

void AtomicOutput::abandon() {
  SignalBlock block;
  removeTemporaries(m_temporaries);
  watchTemporaries(nullptr);
  m_temporaries.fd = -1;
  m_temporaries.createdCount = 0;
  m_temporaries.lockHolderFd = -1;
}

void AtomicOutput::closeAll() {
  for (int fd : m_openFds) ::close(fd);
  m_openFds.clear();
}

}  // namespace oryxtool
