#include "fileutil/CommandFormat.h"

#include <cstdarg>
#include <cstdio>

namespace oryx {
namespace fileutil {

bool formatCommand(std::string& out, size_t capacity, const char* format, ...) {
  out.assign(capacity, '\0');
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(&out[0], capacity, format, args);
  va_end(args);
  if (length < 0 || static_cast<size_t>(length) >= capacity) {
    out.clear();
    return false;
  }
  out.resize(static_cast<size_t>(length));
  return true;
}

}  // namespace fileutil
}  // namespace oryx
