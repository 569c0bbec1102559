// SPDX-License-Identifier: Apache-2.0
// The zip operations on a live server's directories, each call in a forked
// child so every case is bounded: files that appear, grow or are replaced
// while a call packs, two callers on one archive name, callers killed at
// random moments. One rule throughout: every file is in a valid archive or
// still on disk, with its newest content.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace oryxtest;
using Versions = std::map<std::string, std::vector<std::string>>;

namespace {

const unsigned kBound = 60;  // seconds any one call may take

// Replaces a file at once: a writer killed mid-way leaves the old text.
bool replace(const std::string& path, const std::string& text) {
  writeFile(path + "~", text);
  return ::rename((path + "~").c_str(), path.c_str()) == 0;
}

// One byte more at the end of the file, as a logger writes.
bool append(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  const bool written = ::write(fd, "g", 1) == 1;
  ::close(fd);
  return written;
}

class ZipLiveFiles : public RealArchiver {
 public:
  // Every version of every file: on disk and in the archives, by path.
  Versions everything() {
    Versions all;
    for (const auto& entry : snapshot(dir.path())) {
      const std::string& path = entry.first;
      if (path.find(".zip") != std::string::npos) {
        EXPECT_TRUE(archiveTestsOk(dir.file(path))) << path;
        for (const auto& member : extracted(dir.file(path), scratch))
          all[member.first].push_back(member.second);
      } else if (entry.second != "dir") {
        all[path].push_back(entry.second);
      }
    }
    return all;
  }
  bool holds(const Versions& all, const std::string& path, const std::string& content) {
    const auto found = all.find(path);
    return found != all.end() && std::count(found->second.begin(), found->second.end(), content) != 0;
  }
  // `write(i)` runs in a forked child until the call, in another, ends.
  int whileWriting(const std::function<void(int)>& write, const std::function<int()>& call) {
    const pid_t writer = startChild(
        [&write] {
          for (int i = 0;; ++i) write(i);
          return 0;
        },
        2 * kBound);
    ::usleep(20000);
    const int result = inChild(call, kBound);
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    return result;
  }
  int zipLogs(const char* archive) {
    return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", archive, 0, "UTF-8");
  }
  TempDir scratch;
};

}  // namespace

TEST_F(ZipLiveFiles, FilesAppearingGrowingOrReplacedWhilePackedKeepTheirNewestContent) {
  ::mkdir(dir.file("sub").c_str(), 0755);
  // Each writer records in "last" how many writes went through.
  const struct {
    const char* name;
    std::function<bool(const std::string&, int)> write;
    bool subdirectory;  // packed by zipSpecificDir, else the *.log files
  } kCases[] = {
      {"appearing",
       [](const std::string& d, int i) { return replace(d + "/n" + std::to_string(i) + ".log", "n"); },
       false},
      {"growing", [](const std::string& d, int) { return append(d + "/app.log"); }, false},
      {"in a subdirectory",
       [](const std::string& d, int i) { return replace(d + "/sub/n" + std::to_string(i), "n"); }, true},
  };
  for (const auto& c : kCases) {
    const bool growing = std::string(c.name) == "growing";
    for (int round = 0; round < 5; ++round) {
      for (int i = 0; i < 100; ++i) {
        writeFile(dir.file("sub/old" + std::to_string(i)), "old");
        writeFile(dir.file("old" + std::to_string(i) + ".log"), "old");
      }
      const std::string at = dir.path(), archive = std::string(c.name).substr(0, 3) + std::to_string(round);
      ::unlink(dir.file("last").c_str());
      int written = 0;
      const int result = whileWriting(
          [&](int i) {
            if (c.write(at, i)) replace(at + "/last", std::to_string(++written));
          },
          [&] {
            return c.subdirectory
                       ? oRYXFileUtil::zipSpecificDir(at.c_str(), "sub", archive.c_str(), true, "UTF-8")
                       : zipLogs(archive.c_str());
          });
      EXPECT_TRUE(result == 0 || result == -1 || result == -2) << c.name << " " << result;
      const Versions all = everything();
      const int last = std::stoi("0" + readFile(dir.file("last")));
      size_t grown = 0;  // the appended bytes, on disk and packed
      for (const std::string& version : all.count("app.log") ? all.at("app.log") : Versions::mapped_type{}) {
        grown += version.size();
      }
      for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(holds(all, "old" + std::to_string(i) + ".log", "old") &&
                    holds(all, "sub/old" + std::to_string(i), "old"));
      }
      EXPECT_GE(grown, growing ? static_cast<size_t>(last) : 0u) << round;
      for (int i = 0; !growing && i < last; ++i) {
        const bool kept =
            holds(all, "n" + std::to_string(i) + ".log", "n") || holds(all, "sub/n" + std::to_string(i), "n");
        EXPECT_TRUE(kept) << c.name << " round " << round << " file " << i;
      }
      ::mkdir(dir.file("sub").c_str(), 0755);
    }
  }
}

TEST_F(ZipLiveFiles, TwoCallersOnOneArchiveNameLoseNothing) {
  const std::function<int()> calls[] = {
      [this] { return zipLogs("same"); },
      [this] { return oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "d", "same", true, "UTF-8"); },
      [this] { return oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"); },
  };
  for (const auto& call : calls) {
    for (int round = 0; round < 10; ++round) {
      ::mkdir(dir.file("d").c_str(), 0755);
      for (int i = 0; i < 100; ++i) {
        writeFile(dir.file(std::to_string(i) + ".log"), "log");
        writeFile(dir.file("d/" + std::to_string(i)), "d");
      }
      // Both children forked from this one thread: a fork from a second
      // thread could copy a lock the first holds into the child.
      const pid_t first = startChild(call, kBound), second = startChild(call, kBound);
      const int results[2] = {waitChild(first), waitChild(second)};
      EXPECT_TRUE(results[0] != -1000 && results[1] != -1000);
      const Versions all = everything();
      for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(holds(all, std::to_string(i) + ".log", "log") &&
                    holds(all, "d/" + std::to_string(i), "d"))
            << i;
      }
      for (const char* archive : {"same.zip", "d.zip"}) ::unlink(dir.file(archive).c_str());
    }
  }
}

TEST_F(ZipLiveFiles, ACallerKilledAnywhereLeavesEverythingRecoverable) {
  std::mt19937 random(42);
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 300; ++i) writeFile(dir.file(std::to_string(i) + ".log"), std::string(3000, 'a'));
    const pid_t caller = ::fork();
    if (caller == 0) _exit(zipLogs("k") + 100);
    ::usleep(std::uniform_int_distribution<unsigned>(0, 250000)(random));
    ::kill(caller, SIGKILL);
    ::waitpid(caller, nullptr, 0);
    // The same call again, then one to a fresh name: one of them packs
    // what is left, unless the killed call had finished.
    const int again = inChild([this] { return zipLogs("k"); }, kBound);
    const int fresh = inChild([this] { return zipLogs("k2"); }, kBound);
    const Versions all = everything();
    for (int i = 0; i < 300; ++i)
      EXPECT_TRUE(holds(all, std::to_string(i) + ".log", std::string(3000, 'a'))) << i;
    EXPECT_TRUE(again == 0 || fresh == 0 || snapshot(dir.path()).size() == 1) << again << " " << fresh;
    for (const char* archive : {"k.zip", "k2.zip"}) ::unlink(dir.file(archive).c_str());
  }
}
