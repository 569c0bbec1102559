// SPDX-License-Identifier: Apache-2.0
#include "AtomicOutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace oryxtool {

namespace {

const char kTemporaryPattern[] = ".oryx-export-XXXXXX";

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
  if (m_parts && !checkParts(input, result)) return result;
  SignalBlock block;  // every directory made is on record before a signal can act
  watchTemporaries(&m_temporaries);
  if (!openDirectory() || !makeTemporaryDirectory()) return kFailed;
  m_writerPath = throughDescriptor(m_temporaries.fd, m_parts ? "part.x" : "out");
  return kReady;
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

bool AtomicOutput::checkParts(const struct stat* input, Result& result) {
  DIR* directory = ::opendir(m_directory.empty() ? "." : m_directory.c_str());
  if (directory == nullptr) return errno == ENOENT ? true : fail(m_path, std::strerror(errno));
  bool ok = true;
  const std::string head = m_stem + "-";
  while (const struct dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (name.size() <= head.size() + m_extension.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - m_extension.size(), m_extension.size(), m_extension) != 0 ||
        !isPartNumber(name.substr(head.size(), name.size() - head.size() - m_extension.size()))) {
      continue;
    }
    const std::string path = m_userPrefix + name;
    struct stat status, link;
    if (::stat(path.c_str(), &status) == 0 && input != nullptr && sameFile(status, *input)) {
      result = kSameAsInput;
      ok = fail(path, "is the input file; write the export elsewhere");
    } else if (::lstat(path.c_str(), &link) == 0 && !S_ISREG(link.st_mode)) {
      ok = fail(path, "exists and is not a regular file");
    } else if (m_noClobber) {
      ok = fail(path, std::strerror(EEXIST));
    }
    if (!ok) break;
  }
  ::closedir(directory);
  return ok;
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
  std::string pattern = throughDescriptor(m_directoryFd, kTemporaryPattern);
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
  SignalBlock block;  // all renames happen, or none starts
  const int temporary = m_temporaries.fd;
  for (size_t i = 0; i < count; ++i) {
    const std::string from = temporaryName(i), to = finalName(i);
    // On disk before the name moves, so a crash never shows a short file under the real name.
    // A replaced file keeps its permissions.
    struct stat old;
    const bool replaces = ::fstatat(m_directoryFd, to.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode);
    const int fd = ::openat(temporary, from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0 || (replaces && ::fchmod(fd, old.st_mode & 07777) != 0)) {
      const int error = errno;
      if (fd >= 0) ::close(fd);
      return fail(written[i], std::strerror(error));
    }
    ::close(fd);
  }
  for (size_t i = 0; i < count; ++i) {
    const std::string from = temporaryName(i), to = finalName(i);
    int rc = ::renameat2(temporary, from.c_str(), m_directoryFd, to.c_str(), m_noClobber ? RENAME_NOREPLACE : 0);
    if (rc != 0 && errno == EINVAL && m_noClobber) {  // a file system without RENAME_NOREPLACE
      rc = ::linkat(temporary, from.c_str(), m_directoryFd, to.c_str(), 0);
      if (rc == 0) ::unlinkat(temporary, from.c_str(), 0);
    }
    if (rc != 0) return fail(written[i], std::strerror(errno));
  }
  ::fsync(m_directoryFd);
  m_temporaries.createdCount = 0;  // they hold the export now
  abandon();
  return true;
}

void AtomicOutput::abandon() {
  SignalBlock block;
  removeTemporaries(m_temporaries);
  watchTemporaries(nullptr);
  m_temporaries.fd = -1;
  m_temporaries.createdCount = 0;
}

void AtomicOutput::closeAll() {
  for (int fd : m_openFds) ::close(fd);
  m_openFds.clear();
}

}  // namespace oryxtool
