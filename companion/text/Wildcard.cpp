// SPDX-License-Identifier: Apache-2.0
#include "companion/text/Wildcard.h"

#include "companion/text/Utf8.h"

#include <cstddef>

namespace oryx {

namespace {

// Length of the well-formed character at `at`; 0 when it is malformed.
size_t sequenceLength(const unsigned char* at, const unsigned char* end) {
  size_t length = 0;
  return utf8::decode(at, end, length) == utf8::kMalformed ? 0 : length;
}

bool isUtf8(const std::string& text) {
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = at + text.size();
  while (at < end) {
    const size_t length = sequenceLength(at, end);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// Matching with backtracking to the last "*": linear in practice, no
// recursion. `utf8` decides whether "?" and a "*" retry step by character.
bool matchWhole(const char* pattern, const char* patternEnd, const std::string& name, bool utf8) {
  const unsigned char* const end = reinterpret_cast<const unsigned char*>(name.data()) + name.size();
  const unsigned char* at = reinterpret_cast<const unsigned char*>(name.data());
  auto step = [utf8, end](const unsigned char* from) {
    return from + (utf8 ? sequenceLength(from, end) : 1);
  };
  const char* star = nullptr;
  const unsigned char* resume = nullptr;
  while (at < end) {
    if (pattern < patternEnd && *pattern == '?') {
      ++pattern;
      at = step(at);
    } else if (pattern < patternEnd && *pattern == '*') {
      star = pattern++;
      resume = at;
    } else if (pattern < patternEnd && static_cast<unsigned char>(*pattern) == *at) {
      ++pattern;
      ++at;
    } else if (star != nullptr) {
      pattern = star + 1;
      resume = step(resume);
      at = resume;
    } else {
      return false;
    }
  }
  while (pattern < patternEnd && *pattern == '*') ++pattern;
  return pattern == patternEnd;
}

}  // namespace

bool matchesWildcard(const std::string& pattern, const std::string& name) {
  const bool utf8 = isUtf8(name);
  const char* begin = pattern.data();
  const char* end = begin + pattern.size();
  if (matchWhole(begin, end, name, utf8)) return true;
  // "x.*" is "x" with any extension or none.
  const bool anyExtension = pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0;
  return anyExtension && matchWhole(begin, end - 2, name, utf8);
}

bool hasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

}  // namespace oryx
