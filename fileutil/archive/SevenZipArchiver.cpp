// SPDX-License-Identifier: Apache-2.0
// The 7za backend of Archiver. Every name reaches 7za as exactly one argument
// word after "--" with -spd (no wildcard reading), so no name is ever read as
// a switch, a list-file reference or a pattern; -snl stores links as links.
// Lists longer than the argument limit go in batches, each adding to the
// staged archive. 7za runs with no input and its output discarded.
#include "fileutil/archive/Archiver.h"

#include "companion/process/Process.h"
#include "oryxutil/companion/CommonUtils.h"

#include <unistd.h>

#include <cstdlib>

namespace oryx {
namespace fileutil {

namespace {

const long kDefaultTimeoutSeconds = 3600;

long timeoutSeconds() {
  const std::string text = oRYXCommonUtils::oRYXgetenv("ORYX_ZIP_TIMEOUT_S");
  char* end = nullptr;
  const long seconds = text.empty() ? 0 : std::strtol(text.c_str(), &end, 10);
  return seconds > 0 && end != nullptr && *end == '\0' ? seconds : kDefaultTimeoutSeconds;
}

// Bytes of argument words one run may take: a quarter of the system's limit
// leaves room for the environment.
size_t argumentBudget() {
  const long limit = ::sysconf(_SC_ARG_MAX);
  return limit > 0 ? static_cast<size_t>(limit) / 4 : 128 * 1024;
}

class SevenZipArchiver : public Archiver {
 public:
  bool pack(const std::string& archive, const std::string& directory,
            const std::vector<std::string>& names) override {
    // Given no names 7za would pack the whole working directory.
    if (names.empty()) return false;
    const std::vector<std::string> head = {"7za", "a", "-tzip", "-y", "-spd", "-snl", "--", archive};
    const long seconds = timeoutSeconds();
    const size_t budget = argumentBudget();
    ProgramStreams streams;
    streams.input = StreamTarget::Discarded;
    streams.output = StreamTarget::Discarded;
    streams.errors = StreamTarget::Discarded;

    size_t next = 0;
    while (next < names.size()) {
      std::vector<std::string> words = head;
      size_t used = 0;
      do {
        used += names[next].size() + 1 + sizeof(char*);
        words.push_back(names[next++]);
      } while (next < names.size() && used + names[next].size() + 1 + sizeof(char*) <= budget);
      if (runProgramWithin(words, streams, seconds, directory) != 0) {
        ::unlink(archive.c_str());
        return false;
      }
    }
    return true;
  }
};

}  // namespace

Archiver& zipArchiver() {
  static SevenZipArchiver archiver;
  return archiver;
}

}  // namespace fileutil
}  // namespace oryx
