#include "export/ContentEncoding.h"

#include "oryxutil/companion/CommonUtils.h"

#include <cstdlib>

namespace oryx {

bool isLocalCharset() {
  const std::string value = oRYXCommonUtils::oRYXgetenv("FILECONTENT_LOCAL_CHARSET");
  return !value.empty() && std::atoi(value.c_str()) == 1;
}

bool isUtf8ContentMode() { return oRYXCommonUtils::IsGlobalVersion() && !isLocalCharset(); }

}  // namespace oryx
