#include "oryxutil/companion/CommonUtils.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

oRYXCommonUtils::oRYXCommonUtils() = default;
oRYXCommonUtils::~oRYXCommonUtils() = default;
oRYXCommonUtils& oRYXCommonUtils::operator=(const oRYXCommonUtils&) { return *this; }

namespace {

const wchar_t kReplacement = 0xFFFD;

// Length of the UTF-8 sequence led by `lead`, 0 when `lead` cannot lead one.
size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::wstring oRYXCommonUtils::STR2WSTR(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const size_t length = sequenceLength(p[i]);
    if (length == 0 || i + length > n) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    uint32_t code = length == 1 ? p[i] : p[i] & (0xFF >> (length + 1));
    bool valid = true;
    for (size_t k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (p[i + k] & 0x3F);
    }
    const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || code < minimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
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

std::string oRYXCommonUtils::hostname() {
  char name[HOST_NAME_MAX + 1] = {0};
  if (::gethostname(name, sizeof(name) - 1) != 0) return std::string();
  return std::string(name);
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
