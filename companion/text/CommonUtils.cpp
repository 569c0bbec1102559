// SPDX-License-Identifier: Apache-2.0
// The trivial members of oRYXCommonUtils, wide text, the environment, split
// and the configuration path.
#include "oryxutil/companion/CommonUtils.h"

#include "companion/text/Utf8.h"

#include <cstdlib>
#include <cstring>

oRYXCommonUtils::oRYXCommonUtils() = default;
oRYXCommonUtils::~oRYXCommonUtils() = default;
oRYXCommonUtils& oRYXCommonUtils::operator=(const oRYXCommonUtils&) { return *this; }

namespace {

const wchar_t kReplacement = 0xFFFD;

}  // namespace

std::wstring oRYXCommonUtils::STR2WSTR(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    size_t length = 1;
    uint32_t code = oryx::utf8::decode(p + i, p + n, length);
    // A malformed sequence gives one replacement per byte, stepped over one at a time.
    if (code == oryx::utf8::kMalformed) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    if (code > 0xFFFF) {
      code -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(code));
    }
    i += length;
  }
  return out;
}

bool oRYXCommonUtils::IsGlobalVersion() {
  const char* value = std::getenv("ORYX_GLOBAL_VERSION");
  return value == nullptr || std::strcmp(value, "0") != 0;
}

std::string oRYXCommonUtils::oRYXgetenv(const char* name) {
  if (name == nullptr) return std::string();
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

void oRYXCommonUtils::split(const std::string& text, const std::string& delimiter,
                            std::list<std::string>& pieces) {
  if (delimiter.empty()) {
    if (!text.empty()) pieces.push_back(text);
    return;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(delimiter, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + delimiter.size();
  }
}

std::string oRYXCommonUtils::getConfigPath() {
  const std::string configPath = oRYXgetenv("ORYX_CONFIG_PATH");
  if (!configPath.empty()) return configPath;
  return oRYXgetenv("ORYX_ROOT") + "/etc/conf";
}

bool oRYXIsGlobalVersion() { return oRYXCommonUtils::IsGlobalVersion(); }
