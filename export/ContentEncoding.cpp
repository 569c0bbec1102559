#include "export/ContentEncoding.h"

#include "oryxutil/companion/CommonUtils.h"

#include <cstdlib>

namespace oryx {

bool isLocalCharset() {
  const std::string value = oRYXCommonUtils::oRYXgetenv("FILECONTENT_LOCAL_CHARSET");
  return !value.empty() && std::atoi(value.c_str()) == 1;
}

bool isUtf8ContentMode() { return oRYXCommonUtils::IsGlobalVersion() && !isLocalCharset(); }

bool namesUtf8(const std::string& encoding) {
  static const char kName[] = "UTF-8";
  if (encoding.size() != sizeof(kName) - 1) return false;
  for (size_t i = 0; i < encoding.size(); ++i) {
    char c = encoding[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace oryx
