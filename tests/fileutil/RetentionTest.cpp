// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <ctime>

using namespace oryxtest;
using Names = std::vector<std::string>;

namespace {

// Removes the archives older than `when` ("YYYY-MM-DD HH:MM", local time).
int deleteBefore(const TempDir& dir, const char* when, int isDst) {
  struct tm t = {};
  ::strptime(when, "%Y-%m-%d %H:%M", &t);
  t.tm_isdst = isDst;
  return oRYXFileUtil::deleteFileByTime(dir.path().c_str(), &t, "UTF-8");
}

}  // namespace

TEST(RetentionOutside, NamesAreNeverPathsLinksAreNeverFollowedAndSpecialFilesStay) {
  // base/top/tree holds old archives whose names, read as paths, would lead
  // out: "..\keep.zip" to base/top/keep.zip and "a\b.zip" to tree/a/b.zip
  // (below the top level). A link to an archive outside, a fifo and (when
  // root may make one) a device are named *.zip too.
  for (const std::string by : {"count", "time"}) {
    SCOPED_TRACE(by);
    TempDir base;
    const std::string tree = base.file("top/tree");
    makeEntries(base, {"top/", "top/tree/", "top/tree/a/", "top/keep.zip", "top/tree/..\\keep.zip",
                       "top/tree/a\\b.zip", "top/tree/a/b.zip"});
    EXPECT_EQ(::symlink(base.file("top/keep.zip").c_str(), (tree + "/link.zip").c_str()), 0);
    ::mkfifo((tree + "/fifo.zip").c_str(), 0644);
    ::mknod((tree + "/device.zip").c_str(), S_IFCHR | 0600, makedev(1, 3));
    for (const auto& entry : snapshot(base.path())) setModified(base.file(entry.first), 1000);
    const auto before = snapshot(base.path());
    struct tm now = {};
    const time_t t = std::time(nullptr);
    ::localtime_r(&t, &now);
    EXPECT_EQ(by == "count" ? oRYXFileUtil::deleteFileByThreshold(tree.c_str(), 0, "UTF-8")
                            : oRYXFileUtil::deleteFileByTime(tree.c_str(), &now, "UTF-8"),
              0);
    EXPECT_EQ(snapshot(base.path()),
              without(before, {"top/tree/..\\keep.zip", "top/tree/a\\b.zip", "top/tree/link.zip"}));
  }
}

TEST(RetentionByTime, RemovesOnlyArchivesStrictlyOlderThanTheCallersLocalCutoff) {
  // Summer 12:00 given with the winter flag is 12:00 CEST (10:00 UTC), not 12:00 CET.
  const struct {
    const char* zone;
    const char* when;
    int isDst;
    time_t cutoff;
  } kCutoffs[] = {{"UTC0", "2021-01-01 12:00", -1, 1609502400},
                  {"CET-1CEST,M3.5.0,M10.5.0/3", "2021-07-01 12:00", 0, 1625133600}};
  for (const auto& c : kCutoffs) {
    EnvGuard zone("TZ", c.zone);
    ::tzset();
    TempDir dir;
    makeFile(dir.file("older.zip"), c.cutoff - 1);
    makeFile(dir.file("equal.zip"), c.cutoff);
    for (const char* name : {"x.ZIP", "x.zip.1", "x.zip.old"}) makeFile(dir.file(name), 1000);
    EXPECT_EQ(deleteBefore(dir, c.when, c.isDst), 0);
    EXPECT_EQ(pathsIn(dir.path()), (Names{"equal.zip", "x.ZIP", "x.zip.1", "x.zip.old"})) << c.zone;
  }
  ::tzset();  // the zone as it was
}

TEST(RetentionByCount, KeepsTheNewestAndCountsZipAnywhereInTheName) {
  TempDir dir;
  const char* byAge[] = {"e.zip", "d.zip.old", "c.zip", "b.zip", "a.zip"};  // newest first
  for (int i = 0; i < 5; ++i) makeFile(dir.file(byAge[i]), 1600000000 - 60 * i);
  makeFile(dir.file("old.log"), 1000);
  EXPECT_EQ(oRYXFileUtil::deleteFileByThreshold(dir.path().c_str(), 5, "UTF-8"), 0);
  EXPECT_EQ(pathsIn(dir.path()).size(), 6u);
  EXPECT_EQ(oRYXFileUtil::deleteFileByThreshold(dir.path().c_str(), 2, "UTF-8"), 0);
  EXPECT_EQ(pathsIn(dir.path()), (Names{"d.zip.old", "e.zip", "old.log"}));
}

TEST(RetentionFaults, BadArgumentsFailAndAnEntryThatCannotBeUnlinkedGivesMinusTwo) {
  TempDir dir;
  makeFile(dir.file("a.zip"), 1000);
  const time_t ahead = std::time(nullptr) + 2;
  struct tm future = {};
  ::localtime_r(&ahead, &future);
  EXPECT_EQ(oRYXFileUtil::deleteFileByTime(dir.path().c_str(), &future, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::deleteFileByTime(dir.path().c_str(), nullptr, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::deleteFileByThreshold(dir.path().c_str(), -1, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::deleteFileByThreshold(nullptr, 1, "UTF-8"), -1);
  EXPECT_TRUE(exists(dir.file("a.zip")));
  // A missing directory fails by time, and by count has nothing to remove.
  EXPECT_EQ(oRYXFileUtil::deleteFileByTime(dir.file("missing").c_str(), &future, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::deleteFileByThreshold(dir.file("missing").c_str(), 0, "UTF-8"), 0);
  ::mkdir(dir.file("b.zip").c_str(), 0755);  // the older entry, and a directory cannot be unlinked
  setModified(dir.file("b.zip"), 500);
  EXPECT_EQ(oRYXFileUtil::deleteFileByThreshold(dir.path().c_str(), 1, "UTF-8"), -2);
  EXPECT_TRUE(exists(dir.file("a.zip")));
  EXPECT_EQ(deleteBefore(dir, "2021-01-01 00:00", -1), -2);
}
