// SPDX-License-Identifier: Apache-2.0
#include "companion/os/NativePath.h"

#include <iconv.h>
#include <strings.h>

#include <cerrno>
#include <cstring>

namespace oryx {

bool isUtf8Name(const char* encoding) {
  return encoding == nullptr || ::strcasecmp(encoding, "UTF-8") == 0 ||
         ::strcasecmp(encoding, "UTF8") == 0;
}

namespace {

bool convert(const char* text, const char* from, const char* to, std::string& out) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    errno = EINVAL;
    return false;
  }
  size_t inLeft = std::strlen(text);
  char* in = const_cast<char*>(text);
  std::string result(inLeft * 4 + 4, '\0');
  char* outPtr = &result[0];
  size_t outLeft = result.size();
  const size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  const int savedErrno = errno;
  ::iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) {
    errno = savedErrno == E2BIG ? EILSEQ : savedErrno;
    return false;
  }
  result.resize(result.size() - outLeft);
  out.swap(result);
  return true;
}

// `text` from `from` to `to`; copied as it is when `encoding` (one of the
// two) names UTF-8.
bool convertUnlessUtf8(const char* text, const char* encoding, const char* from, const char* to, std::string& out) {
  if (text == nullptr) {
    errno = EFAULT;
    return false;
  }
  if (isUtf8Name(encoding)) {
    out.assign(text);
    return true;
  }
  return convert(text, from, to, out);
}

}  // namespace

bool toUtf8(const char* text, const char* encoding, std::string& out) {
  return convertUnlessUtf8(text, encoding, encoding, "UTF-8", out);
}

bool fromUtf8(const char* text, const char* encoding, std::string& out) {
  return convertUnlessUtf8(text, encoding, "UTF-8", encoding, out);
}

bool nativePath(const char* path, const char* encoding, std::string& out) {
  if (!toUtf8(path, encoding, out)) return false;
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return true;
}

std::string nativePath(const std::string& path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

}  // namespace oryx
