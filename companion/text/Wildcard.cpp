// SPDX-License-Identifier: Apache-2.0
#include "companion/text/Wildcard.h"

#include <cstddef>

namespace oryx {

namespace {

// Length of the well-formed UTF-8 sequence at `at` (shortest form, no
// surrogates, at most U+10FFFF); 0 when the bytes there are not one.
size_t sequenceLength(const unsigned char* at, const unsigned char* end) {
  const unsigned char lead = at[0];
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<size_t>(end - at) < length || at[1] < low || at[1] > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (at[i] < 0x80 || at[i] > 0xBF) return 0;
  }
  return length;
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
