// SPDX-License-Identifier: Apache-2.0
// The zip operations on a live server's directories, each call in a forked
// child so every case is bounded: files that appear, grow or are replaced
// while a call packs, two callers on one archive name, callers killed at
// random moments. One rule throughout: every file is in a valid archive or
// still on disk, with its newest content.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <random>

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
        for (const auto& member : extracted(dir.file(path))) all[member.first].push_back(member.second);
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
  // `count` originals "I.log" and "sub/I" holding `content`.
  void makeOriginals(int count, const std::string& content) {
    ::mkdir(dir.file("sub").c_str(), 0755);
    for (int i = 0; i < count; ++i) {
      writeFile(dir.file(std::to_string(i) + ".log"), content);
      writeFile(dir.file("sub/" + std::to_string(i)), content);
    }
  }
  // Each of them in a valid archive or still on disk.
  void expectOriginalsKept(const Versions& all, int count, const std::string& content) {
    for (int i = 0; i < count; ++i) {
      const std::string name = std::to_string(i);
      EXPECT_TRUE(holds(all, name + ".log", content) && holds(all, "sub/" + name, content)) << name;
    }
  }
  int zipLogs(const char* archive) {
    return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", archive, 0, "UTF-8");
  }
};

}  // namespace

TEST_F(ZipLiveFiles, FilesAppearingGrowingOrReplacedWhilePackedKeepTheirNewestContent) {
  // Each writer records in "last" how many writes went through; `kept`
  // says whether its newest content is on disk or packed.
  using Check = std::function<bool(Versions&, int)>;
  const Check allNew = [this](Versions& all, int last) {
    for (int i = 0; i < last; ++i) {
      const std::string n = std::to_string(i);
      if (!holds(all, "n" + n + ".log", "n") && !holds(all, "sub/n" + n, "n")) return false;
    }
    return true;
  };
  const struct {
    const char* name;
    std::function<bool(const std::string&, int)> write;
    bool subdirectory;  // packed by zipSpecificDir, else the *.log files
    Check kept;
  } kCases[] = {
      {"appearing",
       [](const std::string& d, int i) { return replace(d + "/n" + std::to_string(i) + ".log", "n"); }, false,
       allNew},
      {"in a subdirectory",
       [](const std::string& d, int i) { return replace(d + "/sub/n" + std::to_string(i), "n"); }, true,
       allNew},
      {"growing", [](const std::string& d, int) { return append(d + "/app.log"); }, false,
       [](Versions& all, int last) {
         size_t grown = 0;
         for (const std::string& version : all["app.log"]) grown += version.size();
         return grown >= static_cast<size_t>(last);
       }},
      // The writer may have been stopped between its replace and "last".
      {"replaced", [](const std::string& d, int i) { return replace(d + "/app.log", std::to_string(i + 1)); },
       false,
       [this](Versions& all, int last) {
         return holds(all, "app.log", std::to_string(last + 1)) ||
                (last == 0 ? all.count("app.log") == 0 : holds(all, "app.log", std::to_string(last)));
       }},
  };
  for (const auto& c : kCases) {
    for (int round = 0; round < 5; ++round) {
      makeOriginals(100, "old");
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
      Versions all = everything();
      expectOriginalsKept(all, 100, "old");
      EXPECT_TRUE(c.kept(all, std::stoi("0" + readFile(dir.file("last"))))) << c.name << " round " << round;
    }
  }
}

TEST_F(ZipLiveFiles, TwoCallersOnOneArchiveNameLoseNothing) {
  const std::function<int()> calls[] = {
      [this] { return zipLogs("same"); },
      [this] { return oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "same", true, "UTF-8"); },
      [this] { return oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"); },
  };
  for (const auto& call : calls) {
    for (int round = 0; round < 10; ++round) {
      makeOriginals(100, "log");
      // Both children forked from this one thread: a fork from a second
      // thread could copy a lock the first holds into the child.
      const pid_t first = startChild(call, kBound), second = startChild(call, kBound);
      const int results[2] = {waitChild(first), waitChild(second)};
      EXPECT_TRUE(results[0] != -1000 && results[1] != -1000);
      expectOriginalsKept(everything(), 100, "log");
      for (const char* archive : {"same.zip", "sub.zip"}) ::unlink(dir.file(archive).c_str());
    }
  }
}

TEST_F(ZipLiveFiles, ACallerKilledAnywhereLeavesEverythingRecoverable) {
  std::mt19937 random(42);
  for (int round = 0; round < 10; ++round) {
    makeOriginals(300, std::string(3000, 'a'));
    const pid_t caller = ::fork();
    if (caller == 0) _exit(zipLogs("k") + 100);
    ::usleep(std::uniform_int_distribution<unsigned>(0, 250000)(random));
    ::kill(caller, SIGKILL);
    ::waitpid(caller, nullptr, 0);
    // The same call again, then one to a fresh name: one of them packs
    // what is left, unless the killed call had finished.
    const int again = inChild([this] { return zipLogs("k"); }, kBound);
    const int fresh = inChild([this] { return zipLogs("k2"); }, kBound);
    expectOriginalsKept(everything(), 300, std::string(3000, 'a'));
    EXPECT_TRUE(again == 0 || fresh == 0 || without(snapshot(dir.path()), {"sub", "k.zip"}).empty())
        << again << " " << fresh;
    for (const char* archive : {"k.zip", "k2.zip"}) ::unlink(dir.file(archive).c_str());
  }
}
