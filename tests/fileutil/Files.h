// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_FILEUTIL_FILES_H
#define ORYXUTIL_TESTS_FILEUTIL_FILES_H

// Helpers of the file-utility tests: trees made and snapshotted to prove
// nothing else changed, modification times, the entry names of a zip file
// read from its central directory (byte for byte, not through 7za's
// listing, which shows a newline as "_"), calls bounded in forked children,
// and the fixture of the tests that run the real 7za.

#include "oryxutil/fileutil/FileUtil.h"
#include "support/EnvGuard.h"
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace oryxtest {

inline void setModified(const std::string& path, time_t modified) {
  const struct timespec times[2] = {{modified, 0}, {modified, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

inline void makeFile(const std::string& path, time_t modified) {
  writeFile(path, path);
  setModified(path, modified);
}

// Makes each entry below `base`, in order: a name ending in "/" a
// directory, any other a file holding its own name.
inline void makeEntries(const TempDir& base, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (entry.back() == '/') ::mkdir(base.file(entry).c_str(), 0755);
    else writeFile(base.file(entry), entry);
  }
}

inline std::vector<std::string> namesOf(const std::list<FILEINFO>& files) {
  std::vector<std::string> names;
  for (const FILEINFO& info : files) names.push_back(info.fileName);
  return names;
}

// Every entry below `root` by relative path: "dir", "link:TARGET", "other"
// or a regular file's content. Links are not followed.
inline std::map<std::string, std::string> snapshot(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const std::string relative = it->path().string().substr(root.size() + 1);
    const fs::file_status status = it->symlink_status(error);
    if (fs::is_symlink(status)) entries[relative] = "link:" + fs::read_symlink(it->path(), error).string();
    else if (fs::is_directory(status)) entries[relative] = "dir";
    else if (fs::is_regular_file(status)) entries[relative] = readFile(it->path());
    else entries[relative] = "other";
  }
  return entries;
}

// The relative paths snapshot() shows below `root`, sorted.
inline std::vector<std::string> pathsIn(const std::string& root) {
  std::vector<std::string> paths;
  for (const auto& entry : snapshot(root)) paths.push_back(entry.first);
  return paths;
}

// The entries of `tree` whose path does not begin with one of `prefixes`
// (each a whole relative path: "a" leaves out "a" and "a/...", not "ab").
inline std::map<std::string, std::string> without(std::map<std::string, std::string> tree,
                                                  const std::vector<std::string>& prefixes) {
  for (auto it = tree.begin(); it != tree.end();) {
    bool drop = false;
    for (const std::string& p : prefixes) {
      drop = drop || it->first == p || it->first.compare(0, p.size() + 1, p + "/") == 0;
    }
    it = drop ? tree.erase(it) : std::next(it);
  }
  return tree;
}

// The names stored in the zip file, directory entries without their "/",
// sorted. Empty when the file is no zip (no end record found).
inline std::vector<std::string> zipEntryNames(const std::string& path) {
  const std::string data = readFile(path);
  auto u16 = [&data](size_t at) {
    return static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8;
  };
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(u16(at)) | static_cast<uint32_t>(u16(at + 2)) << 16;
  };
  std::vector<std::string> names;
  if (data.size() < 22) return names;
  size_t end = data.size() - 22;
  while (end > 0 && data.compare(end, 4, "PK\x05\x06") != 0) --end;
  if (data.compare(end, 4, "PK\x05\x06") != 0) return names;
  size_t at = u32(end + 16);
  for (unsigned i = 0, count = u16(end + 10); i < count && at + 46 <= data.size(); ++i) {
    if (data.compare(at, 4, "PK\x01\x02") != 0) break;
    const size_t nameLength = u16(at + 28);
    std::string name = data.substr(at + 46, nameLength);
    if (!name.empty() && name.back() == '/') name.pop_back();
    names.push_back(name);
    at += 46 + nameLength + u16(at + 30) + u16(at + 32);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Runs `call` (a result from -100 to 155) in a forked child that an alarm
// ends after `seconds`. waitChild gives the call's result, or -1000 when a
// signal ended the child (the alarm: the call did not end in time).
inline pid_t startChild(const std::function<int()>& call, unsigned seconds) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(seconds);
    _exit(call() + 100);
  }
  return child;
}

inline int waitChild(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) - 100 : -1000;
}

inline int inChild(const std::function<int()>& call, unsigned seconds) {
  return waitChild(startChild(call, seconds));
}

// Every entry of the archive, extracted by 7za, as snapshot() shows it;
// empty when 7za cannot read the archive.
inline std::map<std::string, std::string> extracted(const std::string& archive) {
  TempDir into;
  if (runQuietly({"7za", "x", "-y", "-snl", "-o" + into.path(), "--", archive}) != 0) return {};
  return snapshot(into.path());
}

// "7za t": the archive is whole and readable (no password asked for).
inline bool archiveTestsOk(const std::string& path) { return runQuietly({"7za", "t", "--", path}) == 0; }

// The fixture of the tests that need the real 7za (skipped without it): a
// directory to pack in and an ORYX_ROOT for the staging place.
class RealArchiver : public testing::Test {
 protected:
  void SetUp() override {
    // 7za without arguments prints its usage; 127: it is not on PATH.
    if (runQuietly({"7za"}) == 127)
      GTEST_SKIP() << "7za is not on PATH (Debian package p7zip-full); the real archiver is needed";
  }
  TempDir dir;
  TempDir root;
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
};

}  // namespace oryxtest

#endif
