// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "support/SmallDisk.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>

#include <atomic>
#include <thread>

using namespace oryxtest;

// Many directory creations and removals cost seconds of journal writes on
// some disks; on a RAM disk, where there is one, the tests time the walk.
const std::string kRamDisk = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";

TEST(TreeRemoval, RemovesTheTreeAloneNeverFollowingALinkOrANameWithBackslashesOut) {
  // From base/top/tree, "..\victim" and "..\..\x" read as paths would be
  // base/top/victim and base/x; "a\b.zip" would be tree/a/b.zip.
  TempDir base;
  makeEntries(
      base, {"x", "top/", "top/victim/", "top/victim/secret", "top/tree/", "top/tree/a/", "top/tree/a/b.zip",
             "top/tree/a\\b.zip", "top/tree/..\\victim/", "top/tree/..\\victim/inner", "top/tree/..\\..\\x"});
  EXPECT_EQ(::symlink(base.file("top/victim").c_str(), base.file("top/tree/a/link").c_str()), 0);
  EXPECT_EQ(::symlink(base.file("top/victim").c_str(), base.file("link").c_str()), 0);
  ::mkfifo(base.file("top/tree/a/fifo").c_str(), 0644);
  const auto outside = without(snapshot(base.path()), {"top/tree"});
  // A file, a link and a path through ".." are refused, whatever lies behind them.
  for (const std::string& refused :
       {base.file("x"), base.file("link") + "/", base.file("top/tree") + "/.."}) {
    EXPECT_EQ(oRYXFileUtil::delDir(refused.c_str(), "UTF-8"), -1) << refused;
  }
  EXPECT_EQ(oRYXFileUtil::delDir(nullptr, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::delDir((base.path() + "\\top\\tree\\").c_str(), "UTF-8"), 0);
  EXPECT_EQ(snapshot(base.path()), outside);
}

TEST(TreeRemoval, ASubdirectorySwappedForALinkOutsideIsNeverFollowed) {
  // While delDir runs, a second thread keeps exchanging t/s with t/link, a
  // link to an outside directory holding the same names (and puts the link
  // back whenever the removal has taken it). A removal that re-resolves
  // paths, or checks an entry and then opens it by name, would remove
  // outside files. Each round builds a fresh tree.
  TempDir base(kRamDisk);
  auto fill = [](const std::string& dir) {
    ::mkdir(dir.c_str(), 0755);
    for (int i = 0; i < 100; ++i) {
      ::mkdir((dir + "/d" + std::to_string(i)).c_str(), 0755);
      writeFile(dir + "/d" + std::to_string(i) + "/f", "f");
      writeFile(dir + "/f" + std::to_string(i), "f");
    }
  };
  const std::string outside = base.file("outside");
  fill(outside);
  const auto outsideBefore = snapshot(outside);
  for (int round = 0; round < 50; ++round) {
    const std::string tree = base.file("t");
    const std::string sub = tree + "/s";
    const std::string link = tree + "/link";
    ::mkdir(tree.c_str(), 0755);
    fill(sub);
    EXPECT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
    std::atomic<bool> started{false};
    std::atomic<bool> done{false};
    std::thread swapper([&] {
      started.store(true);
      for (long i = 0; i < 1000000 && !done.load(); ++i) {
        if (::renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE) != 0) {
          if (::symlink(outside.c_str(), ::access(sub.c_str(), F_OK) == 0 ? link.c_str() : sub.c_str()) != 0)
            continue;
        }
      }
    });
    while (!started.load()) std::this_thread::yield();
    oRYXFileUtil::delDir(tree.c_str(), "UTF-8");
    done.store(true);
    swapper.join();
    ASSERT_EQ(snapshot(outside), outsideBefore) << "round " << round;
    std::filesystem::remove_all(tree);
  }
}

TEST(TreeRemoval, DeepTreesGoWithFewDescriptorsAndAnEntryThatCannotGoStays) {
  TempDir base(kRamDisk);
  // A chain of 40 levels "a", each also holding files and a leaf directory
  // "b" with a file: levels above the deepest few are closed while the walk
  // is below them and must be read again to their end.
  std::string level = base.file("t");
  for (int i = 0; i < 40; ++i, level += "/a") {
    ::mkdir(level.c_str(), 0755);
    for (int f = 0; f < 5; ++f) writeFile(level + "/f" + std::to_string(f), "f");
    ::mkdir((level + "/b").c_str(), 0755);
    writeFile(level + "/b/leaf", "f");
  }
  // Ten levels up from the bottom, a mount point (when root may mount one):
  // its removal fails (busy), everything else goes and the walk ends.
  std::string mountPoint = base.file("t");
  for (int i = 0; i < 30; ++i) mountPoint += "/a";
  SmallDisk disk(mountPoint, "1m");
  // Below it 10,000 levels more, built through descriptors: the path is far
  // longer than PATH_MAX.
  int fd = ::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < 10000 && fd >= 0; ++level) {
    ::mkdirat(fd, "deep", 0755);
    const int next = ::openat(fd, "deep", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    if (level % 1000 == 0) ::close(::openat(fd, "file", O_CREAT | O_WRONLY, 0644));
  }
  ASSERT_GE(fd, 0);
  ::close(fd);
  struct rlimit saved;
  ::getrlimit(RLIMIT_NOFILE, &saved);
  struct rlimit limited = saved;
  limited.rlim_cur = 256;
  ::setrlimit(RLIMIT_NOFILE, &limited);
  const int result = oRYXFileUtil::delDir(base.file("t").c_str(), "UTF-8");
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(result, disk.mounted() ? -1 : 0);
  std::map<std::string, std::string> stays;  // the way down to the mount point, and it
  for (std::string level = "t"; disk.mounted() && stays.size() <= 30; level += "/a") stays[level] = "dir";
  EXPECT_EQ(snapshot(base.path()), stays);
}
