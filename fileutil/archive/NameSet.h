// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_ARCHIVE_NAMESET_H
#define ORYXUTIL_FILEUTIL_ARCHIVE_NAMESET_H

// The originals one packing call takes, decided once, before packing, by
// the library's own rule: the entries are read through directory
// descriptors, names matched by the one wildcard rule (Wildcard.h), and
// each taken entry's device, inode, size and modification time recorded.
// The same record later checks the archive and decides what may be removed:
// only what was packed and is unchanged. Fifos, sockets and devices are
// never taken. Paths are native, relative to the working directory, which
// must not change while the set is used. Threads: one set per call.

#include "companion/io/Descriptor.h"

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace oryx {
namespace fileutil {

class NameSet {
 public:
  NameSet();
  ~NameSet();
  NameSet(const NameSet&) = delete;
  NameSet& operator=(const NameSet&) = delete;

  // The regular files named by `words`: a word holding "*" or "?" matches
  // the entries of its directory (the part before its last "/", else the
  // working directory), any other word names one entry. False when a named
  // entry does not exist or a directory cannot be read. Entries that are
  // not regular files (directories, links, fifos, devices) are not taken.
  bool addFiles(const std::vector<std::string>& words);

  // The tree of the subdirectory `sub` (a directory, not a link): its
  // regular files, its links (stored as links) and its directories. They
  // are mirrored below `shadowRoot` (hard links, or copies where a link
  // cannot be made), and the archiver packs that mirror: it never meets an
  // entry that was not taken. False when `sub` is not such a directory, or
  // the walk or the mirror fails.
  bool addTree(const std::string& sub, const std::string& shadowRoot);

  bool empty() const { return m_archiverNames.empty(); }

  // The literal names handed to the archiver, relative to archiverBase()
  // (the working directory when empty).
  const std::vector<std::string>& archiverNames() const { return m_archiverNames; }
  const std::string& archiverBase() const { return m_archiverBase; }

  // The paths of the recorded originals, for a record of the call.
  std::vector<std::string> originalPaths() const;

  // True when the archive's index (stored name -> size) holds every
  // recorded file and link with its recorded size, and every directory.
  bool heldBy(const std::map<std::string, uint64_t>& index) const;

  // Removes the originals that still match their record, each checked on
  // the entry itself through its directory's descriptor just before it is
  // unlinked; a directory of a tree only when all it held went. True when
  // everything recorded went and nothing else was found in a tree. The
  // files of a large set are removed by a few threads; all have ended when
  // it returns.
  bool removeUnchanged();

 private:
  struct Original {
    std::string path;  // as stored
    int holderFd;      // the directory holding it (file sets)
    std::string name;  // its name there
    struct ::stat status;
  };
  class TreeRecorder;
  class TreeRemover;

  bool addFile(int holderFd, const std::string& directory, const std::string& name, bool named);
  int holderOf(const std::string& directory);

  std::vector<Original> m_files;                       // file sets
  std::unordered_set<std::string> m_taken;             // their paths
  std::unordered_map<std::string, struct ::stat> m_tree;  // tree sets: path -> status
  std::string m_top;                                   // the tree's subdirectory
  std::map<std::string, Descriptor> m_holders;         // directories of file sets
  std::vector<std::string> m_archiverNames;
  std::string m_archiverBase;
  bool m_mirrorFailed = false;
};

}  // namespace fileutil
}  // namespace oryx

#endif
