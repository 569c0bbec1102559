// SPDX-License-Identifier: Apache-2.0
#include "fileutil/archive/NameSet.h"

#include "companion/io/DirectoryReader.h"
#include "companion/text/Wildcard.h"
#include "fileutil/TreeWalk.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

namespace oryx {
namespace fileutil {

namespace {

// Same file, same content as recorded: a file replaced, grown, shrunk or
// rewritten differs in one of these.
bool unchanged(const struct ::stat& now, const struct ::stat& recorded) {
  return now.st_dev == recorded.st_dev && now.st_ino == recorded.st_ino && now.st_size == recorded.st_size &&
         (now.st_mode & S_IFMT) == (recorded.st_mode & S_IFMT) && now.st_mtim.tv_sec == recorded.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == recorded.st_mtim.tv_nsec;
}

// An unlink waits on the file system more than it computes: mounted with
// online discard, each unlink of a synced file waits for its blocks' discard
// (about 3 ms here; 1,000 files 3.2 s one by one, 0.36-0.51 s from 8
// threads, 0.17-0.21 s from 32), and even without discard 1,000 unlinks take
// 50-100 ms one by one, 30-55 ms from 32 threads. The files of a set are
// removed by up to kRemovalThreads threads, kFilesPerThread at least each.
constexpr size_t kRemovalThreads = 32;
constexpr size_t kFilesPerThread = 32;

// Runs remove(begin, end) over [0, count) in contiguous shares, one on the
// calling thread; a thread that cannot start leaves its share to the caller.
template <typename Remove>
void removeInShares(size_t count, const Remove& remove) {
  const size_t threads = std::min(kRemovalThreads, (count + kFilesPerThread - 1) / kFilesPerThread);
  if (threads <= 1) {
    remove(size_t{0}, count);
    return;
  }
  const size_t share = (count + threads - 1) / threads;
  std::vector<std::thread> workers;
  workers.reserve(threads - 1);
  for (size_t begin = share; begin < count; begin += share) {
    const size_t end = std::min(count, begin + share);
    try {
      workers.emplace_back(remove, begin, end);
    } catch (const std::system_error&) {
      remove(begin, end);
    }
  }
  remove(size_t{0}, share);
  for (std::thread& worker : workers) worker.join();
}

bool sizeHeld(const std::map<std::string, uint64_t>& index, const std::string& path, off_t size) {
  const auto found = index.find(path);
  return found != index.end() && found->second == static_cast<uint64_t>(size);
}


// Copies a regular file's content to a new file, its times kept.
bool copyContent(int dirFd, const char* name, const std::string& to, const struct ::stat& record) {
  const Descriptor in(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!in.isOpen() || !out.isOpen() || !copyAll(in.get(), out.get())) return false;
  const struct timespec times[2] = {record.st_atim, record.st_mtim};
  return ::futimens(out.get(), times) == 0;
}

}  // namespace

// Records a tree and mirrors it: files and links taken, directories made,
// fifos, sockets and devices left out.
class NameSet::TreeRecorder : public TreeVisitor {
 public:
  TreeRecorder(NameSet& set, const std::string& shadowRoot) : m_set(set), m_shadowRoot(shadowRoot) {}
  void enterDirectory(const std::string& path, const struct ::stat&) override {
    if (::mkdir(shadow(path).c_str(), 0700) != 0) m_set.m_mirrorFailed = true;
  }
  void visitEntry(int dirFd, const std::string& path, const char* name, const struct ::stat& record) override {
    const std::string copy = shadow(path);
    if (S_ISREG(record.st_mode)) {
      // The link is the same file: its status now is what is packed. An
      // entry gone meanwhile is simply not taken.
      if (::linkat(dirFd, name, AT_FDCWD, copy.c_str(), 0) != 0 && !copyContent(dirFd, name, copy, record)) {
        if (errno != ENOENT) m_set.m_mirrorFailed = true;
        return;
      }
    } else if (S_ISLNK(record.st_mode)) {
      std::string target(static_cast<size_t>(record.st_size) + 1, '\0');
      const ssize_t length = ::readlinkat(dirFd, name, &target[0], target.size());
      if (length < 0 || static_cast<size_t>(length) >= target.size()) {
        if (errno != ENOENT && errno != EINVAL) m_set.m_mirrorFailed = true;
        return;
      }
      target.resize(static_cast<size_t>(length));
      if (::symlink(target.c_str(), copy.c_str()) != 0) m_set.m_mirrorFailed = true;
    } else {
      return;
    }
    struct ::stat mirrored;
    if (::lstat(copy.c_str(), &mirrored) != 0) {
      m_set.m_mirrorFailed = true;
      return;
    }
    // A link's own identity is the original's; a copy's content is.
    struct ::stat recorded = record;
    recorded.st_size = mirrored.st_size;
    if (mirrored.st_ino == record.st_ino && mirrored.st_dev == record.st_dev) recorded = mirrored;
    m_set.m_tree[path] = recorded;
  }
  void leaveDirectory(int, const std::string& path, const char*, const struct ::stat& status, bool) override {
    m_set.m_tree[path] = status;
    // The mirror carries the directory's permissions (the owner's always
    // complete, so the staging place can be cleared) and times.
    const std::string copy = shadow(path);
    ::chmod(copy.c_str(), (status.st_mode & 07777) | S_IRWXU);
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    ::utimensat(AT_FDCWD, copy.c_str(), times, 0);
  }

 private:
  std::string shadow(const std::string& path) const { return m_shadowRoot + "/" + path; }

  NameSet& m_set;
  const std::string m_shadowRoot;
};


// Removes what was recorded and is unchanged; anything else keeps its
// directory, and the tree then does not go whole.
class NameSet::TreeRemover : public TreeVisitor {
 public:
  explicit TreeRemover(const NameSet& set) : m_set(set) {}
  void visitEntry(int dirFd, const std::string& path, const char* name, const struct ::stat& record) override {
    if (!isRecorded(path, record) || ::unlinkat(dirFd, name, 0) != 0) m_complete = false;
  }
  void leaveDirectory(int dirFd, const std::string& path, const char* name, const struct ::stat& status,
                      bool) override {
    if (!isRecorded(path, status) || ::unlinkat(dirFd, name, AT_REMOVEDIR) != 0) m_complete = false;
  }
  bool complete() const { return m_complete; }

 private:
  bool isRecorded(const std::string& path, const struct ::stat& now) const {
    const auto found = m_set.m_tree.find(path);
    if (found == m_set.m_tree.end()) return false;
    // A directory's size and time change with its entries: its identity is enough.
    if (S_ISDIR(now.st_mode)) {
      return S_ISDIR(found->second.st_mode) && now.st_dev == found->second.st_dev && now.st_ino == found->second.st_ino;
    }
    return unchanged(now, found->second);
  }

  const NameSet& m_set;
  bool m_complete = true;
};

NameSet::NameSet() {}
NameSet::~NameSet() {}

int NameSet::holderOf(const std::string& directory) {
  auto found = m_holders.find(directory);
  if (found == m_holders.end()) {
    found = m_holders.emplace(directory, openDirectory(AT_FDCWD, directory.c_str(), false)).first;
  }
  return found->second.get();
}

bool NameSet::addFile(int holderFd, const std::string& directory, const std::string& name, bool named) {
  struct ::stat record;
  if (!entryStatus(holderFd, name.c_str(), record)) return !named || errno != ENOENT;
  if (!S_ISREG(record.st_mode)) return true;
  const std::string path = directory.empty() ? name : directory + "/" + name;
  if (!m_taken.insert(path).second) return true;
  m_files.push_back(Original{path, holderFd, name, record});
  m_archiverNames.push_back(path);
  return true;
}

bool NameSet::addFiles(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    const std::string::size_type slash = word.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : word.substr(0, slash);
    const std::string leaf = slash == std::string::npos ? word : word.substr(slash + 1);
    if (leaf.empty()) return false;
    const int holder = holderOf(directory.empty() ? "." : directory);
    if (holder < 0) return false;
    if (!hasWildcard(leaf)) {
      if (!addFile(holder, directory, leaf, true)) return false;
      continue;
    }
    DirectoryReader reader(holder);
    if (!reader.isOpen()) return false;
    std::vector<std::string> matches;
    while (const struct dirent* entry = reader.next()) {
      if (matchesWildcard(leaf, entry->d_name)) matches.push_back(entry->d_name);
    }
    if (reader.error() != 0) return false;
    for (const std::string& name : matches) addFile(holder, directory, name, false);
  }
  return true;
}

bool NameSet::addTree(const std::string& sub, const std::string& shadowRoot) {
  m_top = sub;
  m_archiverBase = shadowRoot;
  std::string::size_type slash = 0;
  while ((slash = sub.find('/', slash + 1)) != std::string::npos) {
    ::mkdir(shadowRoot.c_str(), 0700);
    ::mkdir((shadowRoot + "/" + sub.substr(0, slash)).c_str(), 0700);
  }
  ::mkdir(shadowRoot.c_str(), 0700);
  TreeRecorder recorder(*this, shadowRoot);
  if (!walkTree(AT_FDCWD, sub, recorder) || m_mirrorFailed || m_tree.count(sub) == 0) return false;
  m_archiverNames.push_back(sub);
  return true;
}

std::vector<std::string> NameSet::originalPaths() const {
  std::vector<std::string> paths;
  for (const Original& file : m_files) paths.push_back(file.path);
  for (const auto& entry : m_tree) {
    if (!S_ISDIR(entry.second.st_mode)) paths.push_back(entry.first);
  }
  return paths;
}

bool NameSet::heldBy(const std::map<std::string, uint64_t>& index) const {
  for (const Original& file : m_files) {
    if (!sizeHeld(index, file.path, file.status.st_size)) return false;
  }
  for (const auto& entry : m_tree) {
    const bool held = S_ISDIR(entry.second.st_mode) ? index.count(entry.first + "/") != 0
                                                     : sizeHeld(index, entry.first, entry.second.st_size);
    if (!held) return false;
  }
  return true;
}

bool NameSet::removeUnchanged() {
  std::atomic<bool> filesGone{true};
  removeInShares(m_files.size(), [this, &filesGone](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      const Original& file = m_files[i];
      struct ::stat now;
      if (!entryStatus(file.holderFd, file.name.c_str(), now) || !unchanged(now, file.status) ||
          ::unlinkat(file.holderFd, file.name.c_str(), 0) != 0) {
        filesGone.store(false, std::memory_order_relaxed);
      }
    }
  });
  bool complete = filesGone.load();
  if (!m_top.empty()) {
    TreeRemover remover(*this);
    complete = walkTree(AT_FDCWD, m_top, remover) && remover.complete() && complete;
  }
  return complete;
}

}  // namespace fileutil
}  // namespace oryx
