// SPDX-License-Identifier: Apache-2.0
// Text helpers of oRYXCommonUtils: trims, replacement, numbers, wide text,
// tabs and environment substitution.
#include "oryxutil/companion/CommonUtils.h"

#include "companion/text/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

std::string oRYXCommonUtils::oRYXreverse(std::string& text) {
  std::reverse(text.begin(), text.end());
  return text;
}

std::string oRYXCommonUtils::oRYXltrim(std::string& text) {
  size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  text.erase(0, start);
  return text;
}

std::string oRYXCommonUtils::oRYXtrim(std::string& text) {
  size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  text.erase(end);
  return oRYXltrim(text);
}

std::string oRYXCommonUtils::oRYXreplace(std::string& text, std::string& from, std::string& to) {
  if (from.empty()) return text;
  std::string out;
  size_t start = 0;
  for (size_t found; (found = text.find(from, start)) != std::string::npos; start = found + from.size()) {
    out.append(text, start, found - start);
    out += to;
  }
  out.append(text, start, std::string::npos);
  text.swap(out);
  return text;
}

char* oRYXCommonUtils::ltoa(long value, char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::snprintf(buffer, 21, "%ld", value);
  return buffer;
}

char* oRYXCommonUtils::ultoa(unsigned long value, char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::snprintf(buffer, 21, "%lu", value);
  return buffer;
}

void oRYXCommonUtils::STR2WSTR(const char* text, wchar_t* buffer) {
  if (text == nullptr || buffer == nullptr) return;
  const std::wstring wide = STR2WSTR(std::string(text));
  std::copy(wide.begin(), wide.end(), buffer);
  buffer[wide.size()] = L'\0';
}

std::string oRYXCommonUtils::WSTR2STR(const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (const wchar_t* p = text; *p != L'\0'; ++p) {
    uint32_t code = static_cast<uint32_t>(*p);
    if (code >= 0xD800 && code <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(p[1]) - 0xDC00);
      ++p;
    } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      code = 0xFFFD;
    }
    oryx::utf8::append(out, code);
  }
  return out;
}

std::string oRYXCommonUtils::tabs(const std::string& text) {
  std::string out;
  size_t column = 0;
  for (char c : text) {
    if (c == '\t') {
      const size_t blanks = 8 - column % 8;
      out.append(blanks, ' ');
      column += blanks;
    } else {
      out += c;
      column = c == '\n' ? 0 : column + 1;
    }
  }
  return out;
}

std::string oRYXCommonUtils::replEnvVar(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '$' || i + 1 >= text.size()) {
      out += text[i++];
      continue;
    }
    size_t nameStart = i + 1;
    const bool braced = text[nameStart] == '{';
    if (braced) ++nameStart;
    size_t nameEnd = nameStart;
    if (nameEnd < text.size() && isNameStart(text[nameEnd])) {
      while (nameEnd < text.size() && isNameChar(text[nameEnd])) ++nameEnd;
    }
    if (nameEnd == nameStart || (braced && (nameEnd >= text.size() || text[nameEnd] != '}'))) {
      out += text[i++];  // not a reference: keep the "$"
      continue;
    }
    out += oRYXgetenv(text.substr(nameStart, nameEnd - nameStart).c_str());
    i = braced ? nameEnd + 1 : nameEnd;
  }
  return out;
}
