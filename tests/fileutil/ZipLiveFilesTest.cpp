// SPDX-License-Identifier: Apache-2.0
// The zip operations on a live server's directories, in forked children so
// every case is bounded: files that appear, grow or are replaced while a
// call packs, two callers on the same archive name, and callers killed at
// random moments. The one rule checked throughout: every byte is in a valid
// archive or still on disk.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Archives.h"
#include "fileutil/Files.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <random>
#include <thread>

using namespace oryxtest;
using Versions = std::map<std::string, std::vector<std::string>>;

namespace {

const int kBound = 60;  // seconds any one call may take

class ZipLiveFiles : public testing::Test {
 protected:
  void SetUp() override {
    if (!haveSevenZip()) GTEST_SKIP() << "7za is not on PATH (Debian package p7zip-full); the real archiver is needed";
  }

  // Every regular file below the directory, by relative path, and what the
  // archives there hold (members by their stored paths): every version.
  Versions everything() {
    Versions all;
    for (const auto& entry : snapshot(dir.path())) {
      const std::string& path = entry.first;
      if (path.size() > 4 && path.compare(path.size() - 4, 4, ".zip") == 0) {
        EXPECT_TRUE(archiveTestsOk(dir.file(path))) << path;
        for (const auto& member : extracted(dir.file(path), scratch)) all[member.first].push_back(member.second);
      } else if (entry.second != "dir") {
        all[path].push_back(readFile(dir.file(path)));
      }
    }
    return all;
  }

  // A writer in a forked child runs `write` until told to stop; the
  // parent packs meanwhile.
  template <typename Write>
  int whileWriting(Write write, const std::function<int()>& call) {
    const pid_t writer = ::fork();
    if (writer == 0) {
      for (int i = 0;; ++i) write(i);
    }
    ::usleep(20000);
    const int result = inChild(call, kBound);
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    return result;
  }

  TempDir dir;
  TempDir root;
  TempDir scratch;
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
};

// One write: a writer killed mid-way never leaves half a line.
void append(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (::write(fd, text.data(), text.size()) < 0) _exit(1);
  ::close(fd);
}

// Replaces the file at once: a writer killed mid-way leaves the old text.
void replace(const std::string& path, const std::string& text) {
  writeFile(path + ".tmp", text);
  ::rename((path + ".tmp").c_str(), path.c_str());
}

bool anyHolds(const Versions& all, const std::string& path, const std::function<bool(const std::string&)>& test) {
  const auto found = all.find(path);
  if (found == all.end()) return false;
  for (const std::string& version : found->second) {
    if (test(version)) return true;
  }
  return false;
}

// The lines "i\n" for every i a writer started, 0 to the last one seen.
bool holdsEveryLine(const std::string& text) {
  int expected = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) return false;
    if (std::stoi(text.substr(at, end - at)) != expected++) return false;
    at = end + 1;
  }
  return true;
}

}  // namespace

TEST_F(ZipLiveFiles, FilesAppearingDuringAPatternCallStayOrArePacked) {
  for (int round = 0; round < 5; ++round) {
    for (int i = 0; i < 200; ++i) writeFile(dir.file("old" + std::to_string(i) + ".log"), std::string(2000, 'o'));
    const std::string prefix = "r" + std::to_string(round) + "-";
    const std::string marker = dir.file(prefix + "count");
    const int result = whileWriting(
        [&](int i) {
          replace(dir.file(prefix + std::to_string(i) + ".log"), std::to_string(i));
          replace(marker, std::to_string(i));
        },
        [&] { return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", ("a" + std::to_string(round)).c_str(), 0, "UTF-8"); });
    EXPECT_EQ(result, 0);
    const Versions all = everything();
    const int written = std::stoi("0" + readFile(marker));
    for (int i = 0; i <= written; ++i) {
      const std::string name = prefix + std::to_string(i) + ".log";
      EXPECT_EQ(all.count(name), 1u) << name;
    }
    for (int i = 0; i < 200; ++i) EXPECT_EQ(all.count("old" + std::to_string(i) + ".log"), 1u);
  }
}

TEST_F(ZipLiveFiles, AGrowingLogLosesNoLine) {
  for (int round = 0; round < 5; ++round) {
    const std::string name = "app" + std::to_string(round) + ".log";
    const int result = whileWriting([&](int i) { append(dir.file(name), std::to_string(i) + "\n"); },
                                    [&] { return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), name.c_str(), "", 0, "UTF-8"); });
    // A file that grew while 7za read it fails the archive's check.
    EXPECT_TRUE(result == 0 || result == -1) << result;
    // On disk, or in the archive when nothing was added after packing.
    EXPECT_TRUE(anyHolds(everything(), name, holdsEveryLine)) << round;
  }
}

TEST_F(ZipLiveFiles, AFileReplacedDuringPackingKeepsItsNewestContent) {
  for (int round = 0; round < 5; ++round) {
    const std::string name = "cfg" + std::to_string(round) + ".log";
    const std::string last = dir.file("last" + std::to_string(round));
    writeFile(dir.file(name), "v-first");
    const int result = whileWriting(
        [&](int i) {
          const std::string next = "v" + std::to_string(i) + std::string(static_cast<size_t>(i % 97), 'x');
          replace(dir.file(name), next);
          replace(last, next);
        },
        [&] { return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), name.c_str(), "", 0, "UTF-8"); });
    EXPECT_TRUE(result == 0 || result == -1) << result;
    // The replacer's last version (or a later one, the writer being killed
    // between its two replacements) is the file on disk, or was packed.
    const int newest = exists(last) ? std::stoi(readFile(last).substr(1)) : -1;
    const auto atLeastNewest = [newest](const std::string& v) { return v[1] != '-' && std::stoi(v.substr(1)) >= newest; };
    EXPECT_TRUE(anyHolds(everything(), name, atLeastNewest)) << round;
  }
}

TEST_F(ZipLiveFiles, FilesAppearingInAPackedSubdirectoryStay) {
  for (int round = 0; round < 5; ++round) {
    const std::string sub = "sub" + std::to_string(round);
    ::mkdir(dir.file(sub).c_str(), 0755);
    for (int i = 0; i < 100; ++i) writeFile(dir.file(sub + "/old" + std::to_string(i)), "old");
    const std::string marker = dir.file("count" + std::to_string(round));
    const int result = whileWriting(
        [&](int i) {
          writeFile(dir.file("next"), "new");
          ::rename(dir.file("next").c_str(), dir.file(sub + "/new" + std::to_string(i)).c_str());
          replace(marker, std::to_string(i));
        },
        [&] { return oRYXFileUtil::zipSpecificDir(dir.path().c_str(), sub.c_str(), "", true, "UTF-8"); });
    EXPECT_TRUE(result == 0 || result == -2) << result;
    const Versions all = everything();
    const int written = std::stoi("0" + readFile(marker));
    for (int i = 0; i <= written; ++i) EXPECT_EQ(all.count(sub + "/new" + std::to_string(i)), 1u) << i;
    for (int i = 0; i < 100; ++i) EXPECT_EQ(all.count(sub + "/old" + std::to_string(i)), 1u) << i;
  }
}

TEST_F(ZipLiveFiles, TwoCallersOnTheSameArchiveNameLoseNothing) {
  const std::vector<std::function<int()>> calls = {
      [this] { return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "same", 0, "UTF-8"); },
      [this] { return oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "d", "same", true, "UTF-8"); },
      [this] { return oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"); },
  };
  for (const auto& call : calls) {
    for (int round = 0; round < 10; ++round) {
      ::mkdir(dir.file("d").c_str(), 0755);
      for (int i = 0; i < 100; ++i) {
        writeFile(dir.file(std::to_string(i) + ".log"), "log" + std::to_string(i));
        writeFile(dir.file("d/" + std::to_string(i)), "d" + std::to_string(i));
      }
      const Versions before = everything();
      std::atomic<int> results[2];
      std::thread first([&] { results[0] = inChild(call, kBound); });
      std::thread second([&] { results[1] = inChild(call, kBound); });
      first.join();
      second.join();
      EXPECT_NE(results[0], -1000);
      EXPECT_NE(results[1], -1000);
      const Versions after = everything();
      for (const auto& file : before) EXPECT_EQ(after.count(file.first), 1u) << file.first;
      for (const auto& entry : snapshot(dir.path())) {
        if (entry.second != "dir" && entry.first.find(".zip") != std::string::npos) ::unlink(dir.file(entry.first).c_str());
      }
      oRYXFileUtil::delDir(dir.file("d").c_str(), "UTF-8");
    }
  }
}

TEST_F(ZipLiveFiles, ACallerKilledAnywhereLeavesEverythingRecoverable) {
  std::mt19937 random(42);
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 300; ++i) writeFile(dir.file(std::to_string(i) + ".log"), std::string(3000, 'a' + i % 26));
    const Versions before = everything();
    const pid_t caller = ::fork();
    if (caller == 0) _exit(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "k", 0, "UTF-8") + 100);
    ::usleep(std::uniform_int_distribution<int>(0, 250000)(random));
    ::kill(caller, SIGKILL);
    ::waitpid(caller, nullptr, 0);

    const int again = inChild([this] { return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "k", 0, "UTF-8"); }, kBound);
    const int fresh = inChild([this] { return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "k2", 0, "UTF-8"); }, kBound);
    const Versions after = everything();
    for (const auto& file : before) EXPECT_EQ(after.count(file.first), 1u) << file.first;
    // Both fail only when the killed call had already packed everything.
    const bool anyLeft = exists(dir.file("0.log")) || exists(dir.file("299.log"));
    EXPECT_TRUE(again == 0 || fresh == 0 || !anyLeft) << again << " " << fresh;
    for (const char* archive : {"k.zip", "k2.zip"}) ::unlink(dir.file(archive).c_str());
  }
}
