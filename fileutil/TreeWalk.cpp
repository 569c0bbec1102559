// SPDX-License-Identifier: Apache-2.0
#include "fileutil/TreeWalk.h"

#include "companion/io/DirectoryReader.h"

#include <cerrno>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace oryx {
namespace fileutil {

namespace {

// Directories whose reading stays open at once, the deepest ones; those
// above are closed and opened again when the walk climbs back to them.
const size_t kOpenLevels = 16;

// One directory on the way from the tree's top to where the walk is.
struct Level {
  std::string name;  // its name in the level above
  std::string path;  // from the top
  struct ::stat status;
  std::unique_ptr<DirectoryReader> reader;  // null while closed
  std::set<std::string> visited;            // entries seen and still there: never visited twice
  bool empty = true;
};

class Walk {
 public:
  explicit Walk(TreeVisitor& visitor) : m_visitor(visitor) {}

  bool run(int parentFd, const std::string& name) {
    m_parentFd = parentFd;
    Descriptor top = openDirectory(parentFd, name.c_str(), true);
    if (!top.isOpen() || !enter(name, name, std::move(top))) return false;
    while (!m_levels.empty()) {
      Level& current = m_levels.back();
      const struct dirent* entry = current.reader->next();
      if (entry != nullptr) {
        visit(current, entry->d_name);
      } else if (!leave()) {
        return false;
      }
    }
    return true;
  }

 private:
  // A directory is entered; anything else goes to the visitor. An entry
  // that turns out otherwise when acted on (swapped meanwhile) is treated
  // as what it is then: a link is never followed.
  void visit(Level& current, const char* name) {
    if (current.visited.count(name) != 0) return;
    current.empty = false;
    const int at = current.reader->fd();
    struct ::stat record;
    if (!entryStatus(at, name, record)) {
      if (errno != ENOENT) current.visited.insert(name);
      return;
    }
    const std::string path = current.path + "/" + name;
    if (S_ISDIR(record.st_mode)) {
      Descriptor child = openDirectory(at, name, true);
      if (child.isOpen()) {
        if (!enter(name, path, std::move(child))) current.visited.insert(name);
        return;
      }
      if (errno == ENOENT) return;
      if (errno != ENOTDIR && errno != ELOOP) {
        current.visited.insert(name);
        return;
      }
      if (!entryStatus(at, name, record)) return;
    }
    current.visited.insert(name);
    m_visitor.visitEntry(at, path, name, record);
  }

  bool enter(const std::string& name, const std::string& path, Descriptor directory) {
    struct ::stat record;
    if (::fstat(directory.get(), &record) != 0) return false;
    std::unique_ptr<DirectoryReader> reader(new DirectoryReader(std::move(directory)));
    if (!reader->isOpen()) return false;
    m_levels.push_back(Level{name, path, record, std::move(reader), {}, true});
    m_visitor.enterDirectory(path, record);
    // The level that falls out of the window may be closed already: the
    // walk climbed above it once and came down again.
    if (m_levels.size() > kOpenLevels) m_levels[m_levels.size() - 1 - kOpenLevels].reader.reset();
    return true;
  }

  // The deepest directory is read to its end: climb to the level above
  // (opened again through ".." when it was closed, and accepted only when it
  // is the same directory) and hand the finished one to the visitor there.
  bool leave() {
    Level done = std::move(m_levels.back());
    m_levels.pop_back();
    if (m_levels.empty()) {
      done.reader.reset();
      m_visitor.leaveDirectory(m_parentFd, done.path, done.name.c_str(), done.status, done.empty);
      return true;
    }
    Level& above = m_levels.back();
    if (above.reader == nullptr) {
      Descriptor up = openDirectory(done.reader->fd(), "..", false);
      struct ::stat record;
      const bool same = up.isOpen() && ::fstat(up.get(), &record) == 0 && record.st_dev == above.status.st_dev &&
                        record.st_ino == above.status.st_ino;
      if (!same) return false;
      above.reader.reset(new DirectoryReader(std::move(up)));
      if (!above.reader->isOpen()) return false;
    }
    done.reader.reset();
    m_visitor.leaveDirectory(above.reader->fd(), done.path, done.name.c_str(), done.status, done.empty);
    struct ::stat still;
    if (entryStatus(above.reader->fd(), done.name.c_str(), still)) above.visited.insert(done.name);
    return true;
  }

  TreeVisitor& m_visitor;
  int m_parentFd = -1;
  std::vector<Level> m_levels;
};

}  // namespace

bool walkTree(int parentFd, const std::string& name, TreeVisitor& visitor) {
  return Walk(visitor).run(parentFd, name);
}

}  // namespace fileutil
}  // namespace oryx
