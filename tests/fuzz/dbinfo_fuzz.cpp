// SPDX-License-Identifier: Apache-2.0
// getDBConfigValue on a fuzzed dbinfo.txt never crashes, and answers either
// the default or a value that stands in the file after its key and "=".
#include "oryxutil/utils/Utils.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& configDir() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/oryx-fuzz-dbinfo-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    ::setenv("ORYX_CONFIG_PATH", made, 1);
    return std::string(made);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte says how many of the next bytes form the key.
  const size_t keyLength = std::min<size_t>(data[0] % 8, size - 1);
  const std::string key(reinterpret_cast<const char*>(data + 1), keyLength);
  const std::string content(reinterpret_cast<const char*>(data + 1 + keyLength), size - 1 - keyLength);
  FILE* out = std::fopen((configDir() + "/dbinfo.txt").c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(content.data(), 1, content.size(), out);
  std::fclose(out);

  const std::string value = oRYXUtils::getDBConfigValue(key);
  if (value == "oryx") return 0;
  if (value.empty() || value.find_first_of(" \t\n\r\v\f=") != std::string::npos) std::abort();
  // Somewhere the key is followed by one or more "=" and the value.
  for (size_t at = content.find(key); at != std::string::npos; at = content.find(key, at + 1)) {
    size_t next = at + key.size();
    if (next >= content.size() || content[next] != '=') continue;
    while (next < content.size() && content[next] == '=') ++next;
    if (content.compare(next, value.size(), value) == 0) return 0;
  }
  std::abort();
}
