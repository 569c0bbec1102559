// SPDX-License-Identifier: Apache-2.0
// The zip operations' contract with the real 7za: which files a call takes,
// what it refuses before packing anything, the names and results of
// ordinary use, and the staging place's life.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "fileutil/archive/PackTransaction.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <chrono>
#include <iterator>
#include <optional>

using namespace oryxtest;
using Names = std::vector<std::string>;

namespace {

class ZipContract : public RealArchiver {
 protected:
  int zipFiles(const char* files, const char* zipName = "x", int option = 0) {
    return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), files, zipName, option, "UTF-8");
  }
  // The staging root holds nothing once a call has ended.
  bool stagingIsEmpty() const {
    const auto left = snapshot(root.path());
    return left.empty() || left == std::map<std::string, std::string>{{"var", "dir"}, {"var/tmp", "dir"}};
  }
  const std::string startDir = workingDirectory();
};

// The names of one directory that every pattern below is applied to, and
// the names each pattern takes, both in byte order.
const Names kNames = {"README", "[x].log",  "a.log",    "ab.log",      "abc.log",
                      "q?.log", "st*r.log", "x.tar.gz", "\xc3\xa9.log"};

const struct {
  const char* pattern;
  Names taken;
} kPatterns[] = {
    {"*.*", kNames},
    {"*", kNames},
    {"??.log", {"ab.log", "q?.log"}},
    {"?.log", {"a.log", "\xc3\xa9.log"}},
    {"*.log", {"[x].log", "a.log", "ab.log", "abc.log", "q?.log", "st*r.log", "\xc3\xa9.log"}},
    {"[x].log", {"[x].log"}},
    {"st*r.log", {"st*r.log"}},
    {"README;x.*", {"README", "x.tar.gz"}},
    {"a*", {"a.log", "ab.log", "abc.log"}},
    {"*.none", {}},
    {"pipe.log", {}},
};

}  // namespace

TEST_F(ZipContract, ThePatternDecidesOnceWhatIsPackedAndExactlyThatIsDeletedAndNoCallBlocks) {
  // Beside the names, entries no pattern takes: a FIFO and a device (when
  // root may make one) that 7za would block on, a directory and a link.
  ASSERT_EQ(::mkfifo(dir.file("pipe.log").c_str(), 0600), 0);
  ::mknod(dir.file("zero.log").c_str(), S_IFCHR | 0600, makedev(1, 5));
  ::mkdir(dir.file("sub.log").c_str(), 0755);
  ASSERT_EQ(::symlink("/etc/hostname", dir.file("link.log").c_str()), 0);
  const auto others = snapshot(dir.path());
  for (const auto& c : kPatterns) {
    SCOPED_TRACE(c.pattern);
    for (const std::string& name : kNames) writeFile(dir.file(name), name);
    EXPECT_EQ(inChild([&] { return zipFiles(c.pattern); }, 20), c.taken.empty() ? -1 : 0);
    EXPECT_EQ(zipEntryNames(dir.file("x.zip")), c.taken);
    ::unlink(dir.file("x.zip").c_str());
    Names kept;
    std::set_difference(kNames.begin(), kNames.end(), c.taken.begin(), c.taken.end(),
                        std::back_inserter(kept));
    for (const auto& other : others) kept.push_back(other.first);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(pathsIn(dir.path()), kept);
  }
  // A tree holding a FIFO is packed without it and stays with it alone.
  makeEntries(dir, {"tree/", "tree/f"});
  ASSERT_EQ(::mkfifo(dir.file("tree/pipe").c_str(), 0600), 0);
  const auto packTree = [this] {
    return oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "tree", "", true, "UTF-8");
  };
  EXPECT_EQ(inChild(packTree, 20), -2);
  EXPECT_EQ(zipEntryNames(dir.file("tree.zip")), (Names{"tree", "tree/f"}));
  EXPECT_EQ(snapshot(dir.file("tree")), (std::map<std::string, std::string>{{"pipe", "other"}}));
  EXPECT_TRUE(stagingIsEmpty());
}

TEST_F(ZipContract, RejectedArgumentsAndExistingArchivesTouchNothing) {
  writeFile(dir.file("x.log"), "x");
  ::mkdir(dir.file("sub").c_str(), 0755);
  writeFile(dir.file("sub/a"), "a");
  const auto before = snapshot(dir.path());
  for (int option : {778, -1}) EXPECT_EQ(zipFiles("x.log", "", option), -1);
  for (const char* files : {".log", ";x.log", "a b;c", "", ";;", "missing.log"})
    EXPECT_EQ(zipFiles(files, ""), -1) << files;
  {
    EnvGuard unset("ORYX_ROOT", nullptr);
    EXPECT_EQ(zipFiles("x.log"), -1);
    TempDir blockedRoot;  // a file where the staging directory's parent should be
    writeFile(blockedRoot.file("var"), "var");
    EnvGuard blocked("ORYX_ROOT", blockedRoot.path().c_str());
    EXPECT_EQ(zipFiles("x.log"), -1);
    EXPECT_EQ(snapshot(blockedRoot.path()), (std::map<std::string, std::string>{{"var", "var"}}));
  }
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "missing", "", false, "UTF-8"), -1);
  EXPECT_EQ(snapshot(dir.path()), before);

  // An archive already in place, even a dangling link, is never replaced.
  ASSERT_EQ(::symlink("/no/such/target", dir.file("x.zip").c_str()), 0);
  writeFile(dir.file("sub.zip"), "first");
  const auto taken = snapshot(dir.path());
  EXPECT_EQ(zipFiles("x.log"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "", true, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), -1);
  EXPECT_EQ(snapshot(dir.path()), taken);
  EXPECT_TRUE(stagingIsEmpty());
  EXPECT_EQ(workingDirectory(), startDir);
}

TEST_F(ZipContract, OrdinaryUseKeepsNamesAndResultsSyncsBeforeDeletingAndTakesRelativeParents) {
  makeEntries(dir, {"t/", "t/p/", "t/p/logs/", "t/p/logs/a.txt", "t/p/logs/deep/", "t/p/logs/deep/b.txt",
                    "t/p/x.log", "t/p/y.1.log", "t/p/other/", "t/p/other/c.txt"});
  const oryx::fileutil::DeletionAudit before = oryx::fileutil::deletionAudit();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir("t\\p", "logs\\", "", true, "UTF-8"), 0);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile("t/p", "x.log", "", 0, "UTF-8"), 0);
  // Named after the greatest .log name:
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile("t/p", "*.log", "", 0, "UTF-8"), 0);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir("t/p", "other", "copy", false, "UTF-8"), 0);
  EXPECT_TRUE(exists("t/p/other/c.txt"));
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir("t/p", true, "UTF-8"), 0);
  EXPECT_EQ(workingDirectory(), dir.path());
  ASSERT_EQ(::chdir(startDir.c_str()), 0);
  // One deletion step per call that deletes, none finding the archive or a
  // directory unsynced.
  const oryx::fileutil::DeletionAudit after = oryx::fileutil::deletionAudit();
  EXPECT_EQ(after.steps - before.steps, 4u);
  EXPECT_EQ(after.unsynced, before.unsynced);
  const Names other = {"other", "other/c.txt"};
  EXPECT_EQ(zipEntryNames(dir.file("t/p/logs.zip")),
            (Names{"logs", "logs/a.txt", "logs/deep", "logs/deep/b.txt"}));
  EXPECT_EQ(zipEntryNames(dir.file("t/p/x.zip")), (Names{"x.log"}));
  EXPECT_EQ(zipEntryNames(dir.file("t/p/y.zip")), (Names{"y.1.log"}));
  EXPECT_EQ(zipEntryNames(dir.file("t/p/copy.zip")), other);
  EXPECT_EQ(zipEntryNames(dir.file("t/p/other.zip")), other);
  EXPECT_EQ(pathsIn(dir.file("t/p")), (Names{"copy.zip", "logs.zip", "other.zip", "x.zip", "y.zip"}));
}

TEST_F(ZipContract, LeftoversOfKilledCallsAreRecoveredNotInTheWay) {
  const std::string staging = root.file("var/tmp");
  makeEntries(root, {"var/", "var/tmp/"});
  // A dead caller's half-written archive, and a dead caller's whole archive
  // whose originals are gone: the only copy.
  const pid_t dead = ::fork();
  if (dead == 0) _exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string partial = staging + "/.oryx-zip-" + std::to_string(dead) + "-aaaaaa";
  const std::string whole = staging + "/.oryx-zip-" + std::to_string(dead) + "-bbbbbb";
  ::mkdir(partial.c_str(), 0700);
  writeFile(partial + "/archive.zip", "PK half");
  ::mkdir(whole.c_str(), 0700);
  writeFile(dir.file("gone.log"), "gone");
  ASSERT_EQ(runQuietly({"7za", "a", "-tzip", "--", whole + "/archive.zip", dir.file("gone.log")}), 0);
  ::unlink(dir.file("gone.log").c_str());
  const std::string record =
      dir.file("gone.zip") + std::string(1, '\0') + dir.file("gone.log") + std::string(1, '\0');
  writeFile(whole + "/record", record);

  writeFile(dir.file("x.log"), "x");
  EXPECT_EQ(zipFiles("x.log"), 0);
  EXPECT_EQ(zipEntryNames(dir.file("gone.zip")), (Names{"gone.log"}));
  EXPECT_TRUE(stagingIsEmpty());
}

TEST_F(ZipContract, StagingOnAnotherFileSystemStillEndsWithTheArchiveInPlace) {
  if (::access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no second file system at /dev/shm";
  TempDir otherRoot("/dev/shm");
  EnvGuard other("ORYX_ROOT", otherRoot.path().c_str());
  writeFile(dir.file("x.log"), "x");
  EXPECT_EQ(zipFiles("x.log"), 0);
  EXPECT_EQ(snapshot(dir.path()).size(), 1u);  // the archive alone: no copy left beside it
  EXPECT_EQ(zipEntryNames(dir.file("x.zip")), (Names{"x.log"}));
}

// Faults from outside: an archiver that fails, warns, stalls or is missing.
// Every operation fails with -1, leaves no partial archive, touches no
// file (an unrelated one in the staging directory included) and keeps the
// working directory.
TEST(ArchiverFaults, FailingWarningStalledOrMissingArchiverLeavesNoPartialArchive) {
  // The writing fake leaves part of the archive and a temporary file beside
  // it, then exits with a warning (1) or a fatal error (2); the stalled one
  // outlives the time limit; none is on PATH.
  const std::string writes =
      "while [ \"$1\" != -- ]; do shift; done; shift\n"
      "mkdir -p \"$(dirname \"$1\")\"; printf partial > \"$1\"; printf t > \"$1.tmp\"";
  const struct {
    const char* fault;
    std::string script;
    int status;
  } kFaults[] = {
      {"warning", writes, 1}, {"fatal", writes, 2}, {"stalled", "exec sleep 600", 0}, {"missing", "", 0}};
  EnvGuard limit("ORYX_ZIP_TIMEOUT_S", "1");
  const std::string startDir = workingDirectory();
  for (const auto& f : kFaults) {
    SCOPED_TRACE(f.fault);
    TempDir dir, root, emptyBin;
    makeEntries(dir, {"data/", "data/a.txt", "x.log"});
    makeEntries(root, {"var/", "var/tmp/", "var/tmp/x.zip.other"});
    EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
    EnvGuard path("PATH", f.script.empty() ? emptyBin.path().c_str() : std::getenv("PATH"));
    std::optional<FakeProgram> sevenZip;
    if (!f.script.empty()) sevenZip.emplace("7za", f.script);
    if (f.status != 0) sevenZip->exitWith(f.status);
    const auto dirBefore = snapshot(dir.path()), rootBefore = snapshot(root.path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "x.log", "", 0, "UTF-8"), -1);
    EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data", "", true, "UTF-8"), -1);
    EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(snapshot(dir.path()), dirBefore);
    EXPECT_EQ(snapshot(root.path()), rootBefore);
    EXPECT_EQ(workingDirectory(), startDir);
    EXPECT_EQ(sevenZip ? sevenZip->runs().size() : 3u, 3u);
  }
}
