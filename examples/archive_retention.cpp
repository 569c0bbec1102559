// SPDX-License-Identifier: Apache-2.0
// Archiving with retention: four day directories of logs are packed into
// one zip archive each with 7za (which must be on the PATH), the packed
// directories removed, and then only the newest two archives kept.
// Usage: oryx-example-archive WORK_DIR
#include <oryxutil/oryxutil.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <ctime>
#include <list>
#include <string>

namespace {

// One directory of logs.
bool makeDay(const std::string& logs, const std::string& day) {
  const std::string dir = logs + "/" + day;
  if (::mkdir(dir.c_str(), 0755) != 0) return false;
  std::FILE* file = std::fopen((dir + "/server.log").c_str(), "w");
  if (file == nullptr) return false;
  std::fprintf(file, "log of %s\n", day.c_str());
  return std::fclose(file) == 0;
}

// Archives get the age of their day, so that "newest" means the latest day.
bool age(const std::string& path, int days) {
  const std::time_t when = std::time(nullptr) - days * 86400;
  const struct utimbuf times = {when, when};
  return ::utime(path.c_str(), &times) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s WORK_DIR\n", argv[0]);
    return 2;
  }
  const std::string logs = std::string(argv[1]) + "/logs";
  if (::mkdir(logs.c_str(), 0755) != 0) {
    std::perror(logs.c_str());
    return 1;
  }
  const char* days[] = {"day-1", "day-2", "day-3", "day-4"};
  for (const char* day : days) {
    if (!makeDay(logs, day)) return 1;
  }
  // Packs every subdirectory into <name>.zip beside it; `true` removes each
  // directory once its archive is written. 0: all packed.
  if (oRYXFileUtil::zipAllSubDir(logs.c_str(), true) != 0) {
    std::fprintf(stderr, "packing failed (is 7za installed?)\n");
    return 1;
  }
  for (int i = 0; i < 4; ++i) {
    if (!age(logs + "/" + days[i] + ".zip", 4 - i)) return 1;
  }
  // Keeps the newest two archives (by modification time), removes the rest.
  if (oRYXFileUtil::deleteFileByThreshold(logs.c_str(), 2) != 0) return 1;

  std::list<FILEINFO> left;
  if (oRYXFileUtil::getFileList(logs.c_str(), left, ORDER_BY_NAME, 0) != 0) return 1;
  for (const FILEINFO& entry : left) std::printf("kept %s\n", entry.fileName.c_str());
  return left.size() == 2 && left.front().fileName == "day-3.zip" ? 0 : 1;
}
