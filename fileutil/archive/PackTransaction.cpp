// SPDX-License-Identifier: Apache-2.0
#include "fileutil/archive/PackTransaction.h"

#include "companion/io/DirectoryReader.h"
#include "fileutil/TreeRemoval.h"
#include "fileutil/archive/Archiver.h"
#include "fileutil/archive/ZipIndex.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <map>

namespace oryx {
namespace fileutil {


namespace {

const char kStagedName[] = "archive.zip";
const char kRecordName[] = "record";  // destination, then the originals: absolute paths, NUL-ended

std::atomic<unsigned> g_deletionSteps{0};
std::atomic<unsigned> g_unsyncedDeletions{0};

void splitPath(const std::string& path, std::string& directory, std::string& name) {
  const std::string::size_type slash = path.rfind('/');
  directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the missing directories of `path`, as the archiver would.
void makeDirectories(const std::string& path) {
  for (std::string::size_type slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0777);
    if (slash == std::string::npos) return;
  }
}

std::string workingDirectory() {
  char* here = ::getcwd(nullptr, 0);
  const std::string path = here == nullptr ? std::string() : here;
  std::free(here);
  return path;
}

// `path` made absolute against `here`, the working directory.
std::string absolute(const std::string& path, const std::string& here) {
  return (!path.empty() && path[0] == '/') || here.empty() ? path : here + "/" + path;
}

std::string absolute(const std::string& path) { return absolute(path, workingDirectory()); }

// A copy of `fromName` made in `toFd` under a private name, synced, then
// linked as `toName` (never over an existing entry).
bool copyAcross(int fromFd, const char* fromName, int toFd, const std::string& toName) {
  const Descriptor in(::openat(fromFd, fromName, O_RDONLY | O_CLOEXEC));
  if (!in.isOpen()) return false;
  static std::atomic<unsigned> copies{0};
  const std::string temporary =
      std::string(kStagingPrefix) + std::to_string(::getpid()) + "-copy-" + std::to_string(copies++);
  Descriptor out(::openat(toFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!out.isOpen()) return false;
  const bool ok = copyAll(in.get(), out.get()) && ::fsync(out.get()) == 0 && ::linkat(toFd, temporary.c_str(), toFd, toName.c_str(), 0) == 0;
  ::unlinkat(toFd, temporary.c_str(), 0);
  return ok;
}

// Moves `fromName` of `fromFd` to `toName` of `toFd` without ever replacing
// an entry there: a no-replace rename, a hard link where the file system
// lacks it, a synced copy across file systems.
bool moveWithoutReplacing(int fromFd, const char* fromName, int toFd, const std::string& toName) {
  if (::renameat2(fromFd, fromName, toFd, toName.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL || errno == ENOSYS) {
    if (::linkat(fromFd, fromName, toFd, toName.c_str(), 0) == 0) {
      ::unlinkat(fromFd, fromName, 0);
      return true;
    }
  }
  if (errno != EXDEV) return false;
  return copyAcross(fromFd, fromName, toFd, toName) && ::unlinkat(fromFd, fromName, 0) == 0;
}

// The staged archive's central directory, read by the library itself.
bool readIndex(int dirFd, std::map<std::string, uint64_t>& index) {
  const Descriptor archive(::openat(dirFd, kStagedName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  return archive.isOpen() && readZipIndex(archive.get(), index);
}

bool processGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// The record of a leftover: false when it is missing or unreadable.
bool readRecord(int dirFd, std::string& destination, std::vector<std::string>& originals) {
  const Descriptor file(::openat(dirFd, kRecordName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!file.isOpen()) return false;
  std::string data;
  char buffer[1 << 14];
  for (ssize_t got; (got = ::read(file.get(), buffer, sizeof(buffer))) > 0;) data.append(buffer, static_cast<size_t>(got));
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = data.find('\0', start)) != std::string::npos; start = end + 1) {
    if (destination.empty()) destination = data.substr(start, end - start);
    else originals.push_back(data.substr(start, end - start));
  }
  return !destination.empty();
}

// A leftover whose archive is whole and whose originals are (partly) gone
// holds their only copy: it moves into place when that is free, and
// otherwise stays. Any other leftover is cleared.
void recoverLeftover(int rootFd, const std::string& rootPath, const char* name) {
  const Descriptor leftover = openDirectory(rootFd, name, true);
  if (!leftover.isOpen()) return;
  std::string destination;
  std::vector<std::string> originals;
  std::map<std::string, uint64_t> index;
  if (readRecord(leftover.get(), destination, originals) && readIndex(leftover.get(), index)) {
    bool someGone = false;
    for (const std::string& original : originals) someGone = someGone || !mayExist(original);
    if (someGone) {
      std::string directory;
      std::string file;
      splitPath(destination, directory, file);
      const Descriptor target = openDirectory(AT_FDCWD, directory.c_str(), false);
      const Descriptor archive(::openat(leftover.get(), kStagedName, O_RDONLY | O_CLOEXEC));
      if (!target.isOpen() || !archive.isOpen() || ::fsync(archive.get()) != 0 ||
          !moveWithoutReplacing(leftover.get(), kStagedName, target.get(), file)) {
        return;
      }
      ::fsync(target.get());
    }
  }
  removeTree(rootPath + "/" + name);
}

void recoverLeftovers(const std::string& root) {
  const Descriptor rootDir = openDirectory(AT_FDCWD, root.c_str(), false);
  if (!rootDir.isOpen()) return;
  std::vector<std::string> leftovers;
  DirectoryReader reader(rootDir.get());
  const size_t prefixLength = sizeof(kStagingPrefix) - 1;
  while (const struct dirent* entry = reader.next()) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefixLength, kStagingPrefix) != 0) continue;
    const long pid = std::strtol(name.c_str() + prefixLength, nullptr, 10);
    if (processGone(static_cast<pid_t>(pid))) leftovers.push_back(name);
  }
  for (const std::string& name : leftovers) recoverLeftover(rootDir.get(), root, name.c_str());
}

// What a later call needs should this one be killed.
bool writeRecord(int stagingFd, const std::string& destination, const std::vector<std::string>& originals) {
  const std::string here = workingDirectory();
  std::string data = absolute(destination, here);
  data.push_back('\0');
  for (const std::string& original : originals) data.append(absolute(original, here)).push_back('\0');
  const Descriptor file(::openat(stagingFd, kRecordName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  return file.isOpen() && writeAll(file.get(), data.data(), data.size());
}

// The syncs that must have happened before any original is removed.
struct Durability {
  bool archive = false;
  bool stagingDirectory = false;
  bool destinationDirectory = false;
  bool complete() const { return archive && stagingDirectory && destinationDirectory; }
};

bool removeOriginals(NameSet& names, const Durability& durability) {
  ++g_deletionSteps;
  if (!durability.complete()) {
    ++g_unsyncedDeletions;
    return false;
  }
  return names.removeUnchanged();
}

}  // namespace

StagingPlace::StagingPlace(const std::string& root) {
  makeDirectories(root);
  recoverLeftovers(root);
  std::string pattern = root + "/" + kStagingPrefix + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(&pattern[0]) == nullptr) return;
  m_path = pattern;
  m_dir = openDirectory(AT_FDCWD, m_path.c_str(), true);
}

StagingPlace::~StagingPlace() {
  m_dir.reset();
  if (!m_path.empty()) removeTree(m_path);
}

bool mayExist(const std::string& path) {
  struct ::stat record;
  return ::fstatat(AT_FDCWD, path.c_str(), &record, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

DeletionAudit deletionAudit() { return DeletionAudit{g_deletionSteps.load(), g_unsyncedDeletions.load()}; }

PackOutcome packTransaction(StagingPlace& staging, NameSet& names, const std::string& destination,
                            bool removeOriginalsAfter) {
  if (!staging.isOpen() || names.empty() || mayExist(destination)) return PackOutcome::Failed;
  std::string targetDirectory;
  std::string targetName;
  splitPath(destination, targetDirectory, targetName);
  makeDirectories(targetDirectory);
  const Descriptor target = openDirectory(AT_FDCWD, targetDirectory.c_str(), false);
  if (!target.isOpen() || !writeRecord(staging.fd(), destination, names.originalPaths())) {
    return PackOutcome::Failed;
  }
  const std::string archive = absolute(staging.path() + "/" + kStagedName);
  if (!zipArchiver().pack(archive, names.archiverBase(), names.archiverNames())) return PackOutcome::Failed;

  Durability durability;
  {
    std::map<std::string, uint64_t> index;
    const Descriptor archive(::openat(staging.fd(), kStagedName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!archive.isOpen() || !readZipIndex(archive.get(), index) || !names.heldBy(index)) return PackOutcome::Failed;
    durability.archive = ::fsync(archive.get()) == 0;
  }
  durability.stagingDirectory = ::fsync(staging.fd()) == 0;
  if (!durability.archive || !durability.stagingDirectory ||
      !moveWithoutReplacing(staging.fd(), kStagedName, target.get(), targetName)) {
    return PackOutcome::Failed;
  }
  durability.destinationDirectory = ::fsync(target.get()) == 0;
  if (!removeOriginalsAfter) return PackOutcome::Packed;
  return removeOriginals(names, durability) ? PackOutcome::Packed : PackOutcome::PackedSomeKept;
}

}  // namespace fileutil
}  // namespace oryx
