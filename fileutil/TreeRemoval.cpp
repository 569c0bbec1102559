// delDir and the removals of the zip operations: a directory tree removed
// through descriptors (see TreeRemoval.h).
#include "fileutil/TreeRemoval.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "fileutil/Descriptor.h"
#include "oryxutil/fileutil/FileUtil.h"

#include <cerrno>
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
  dev_t device;
  ino_t inode;
  DIR* stream;                 // null while closed
  std::set<std::string> kept;  // entries that could not be removed: not tried again
};

class TreeWalk {
 public:
  ~TreeWalk() {
    for (Level& level : m_levels) {
      if (level.stream != nullptr) ::closedir(level.stream);
    }
  }

  // Empties the directory open as `top`; false when the walk had to stop
  // because a directory of the tree was moved away while it ran.
  bool empty(Descriptor top) {
    if (!enter(std::string(), std::move(top))) return false;
    while (!m_levels.empty()) {
      Level& current = m_levels.back();
      errno = 0;
      const struct dirent* entry = ::readdir(current.stream);
      if (entry != nullptr) {
        removeEntry(current, entry->d_name);
      } else if (!leave()) {
        return false;
      }
    }
    return true;
  }

 private:
  // A non-directory is unlinked where it is; a directory is entered. An
  // entry that turns out otherwise when acted on (swapped meanwhile) is
  // treated as what it is then: a link or file is unlinked, never followed.
  void removeEntry(Level& current, const char* name) {
    if (isDotOrDotDot(name) || current.kept.count(name) != 0) return;
    const int at = ::dirfd(current.stream);
    struct ::stat record;
    if (!entryStatus(at, name, record)) {
      if (errno != ENOENT) current.kept.insert(name);
      return;
    }
    if (S_ISDIR(record.st_mode)) {
      Descriptor child = openDirectory(at, name, true);
      if (child.isOpen()) {
        if (!enter(name, std::move(child))) current.kept.insert(name);
        return;
      }
      if (errno == ENOENT) return;
      if (errno != ENOTDIR && errno != ELOOP) {
        current.kept.insert(name);
        return;
      }
    }
    if (::unlinkat(at, name, 0) != 0 && errno != ENOENT) current.kept.insert(name);
  }

  bool enter(const std::string& name, Descriptor directory) {
    struct ::stat record;
    if (::fstat(directory.get(), &record) != 0) return false;
    DIR* stream = ::fdopendir(directory.get());
    if (stream == nullptr) return false;
    directory.release();
    m_levels.push_back(Level{name, record.st_dev, record.st_ino, stream, {}});
    // The level that falls out of the window may be closed already: the
    // walk climbed above it once and came down again.
    if (m_levels.size() > kOpenLevels) {
      Level& farthest = m_levels[m_levels.size() - 1 - kOpenLevels];
      if (farthest.stream != nullptr) ::closedir(farthest.stream);
      farthest.stream = nullptr;
    }
    return true;
  }

  // The deepest directory is read to its end: close it, climb to the level
  // above (opened again through ".." when it was closed, and accepted only
  // when it is the same directory) and remove the emptied one from there.
  bool leave() {
    Level done = std::move(m_levels.back());
    m_levels.pop_back();
    if (m_levels.empty()) {
      ::closedir(done.stream);
      return true;
    }
    Level& above = m_levels.back();
    if (above.stream == nullptr) {
      Descriptor up = openDirectory(::dirfd(done.stream), "..", false);
      struct ::stat record;
      const bool same = up.isOpen() && ::fstat(up.get(), &record) == 0 && record.st_dev == above.device &&
                        record.st_ino == above.inode;
      if (same) above.stream = ::fdopendir(up.get());
      if (above.stream == nullptr) {
        ::closedir(done.stream);
        return false;
      }
      up.release();
    }
    ::closedir(done.stream);
    if (::unlinkat(::dirfd(above.stream), done.name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
      above.kept.insert(done.name);
    }
    return true;
  }

  std::vector<Level> m_levels;
};

}  // namespace

int removeTree(const std::string& path) {
  std::string trimmed(path);
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::string::size_type slash = trimmed.rfind('/');
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (name.empty() || isDotOrDotDot(name.c_str())) return kFailed;
  const std::string holder = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);

  const Descriptor parent = openDirectory(AT_FDCWD, holder.c_str(), false);
  if (!parent.isOpen()) return kFailed;
  Descriptor top = openDirectory(parent.get(), name.c_str(), true);
  if (!top.isOpen()) return kFailed;
  TreeWalk().empty(std::move(top));
  // A tree not emptied fails here and shows in the result.
  return ::unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR) == 0 ? kOk : kFailed;
}

}  // namespace fileutil
}  // namespace oryx

int oRYXFileUtil::delDir(const char* dir, const char* encoding) {
  std::string native;
  if (dir == nullptr || *dir == '\0' || !oryx::nativePath(dir, encoding, native)) {
    return oryx::kFailed;
  }
  return oryx::fileutil::removeTree(native);
}
