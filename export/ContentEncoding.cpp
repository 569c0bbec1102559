// SPDX-License-Identifier: Apache-2.0
#include "export/ContentEncoding.h"

#include "companion/text/Utf8.h"
#include "oryxutil/companion/CommonUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace oryx {

bool isLocalCharset() {
  const std::string value = oRYXCommonUtils::oRYXgetenv("FILECONTENT_LOCAL_CHARSET");
  return !value.empty() && std::atoi(value.c_str()) == 1;
}

bool isUtf8ContentMode() { return oRYXCommonUtils::IsGlobalVersion() && !isLocalCharset(); }

const char kLocalCharset[] = "GBK";

namespace {
const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);
const char kReplacement[] = "\xEF\xBF\xBD";
}  // namespace

LocalCharsetDecoder::~LocalCharsetDecoder() {
  if (m_iconv != kClosed) ::iconv_close(m_iconv);
}

bool LocalCharsetDecoder::open() {
  if (m_iconv == kClosed) m_iconv = ::iconv_open("UTF-8", kLocalCharset);
  return m_iconv != kClosed;
}

const std::string& LocalCharsetDecoder::toUtf8(const std::string& text) {
  // A GBK character of n bytes becomes at most n + 1 UTF-8 bytes, a
  // replaced byte 3: four times the input always suffices.
  m_out.resize(text.size() * 4);
  ::iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* const start = &m_out[0];
  char* out = start;
  size_t outLeft = m_out.size();
  while (inLeft > 0 && ::iconv(m_iconv, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
    if (errno != EILSEQ && errno != EINVAL) break;  // EINVAL: a sequence cut by the end
    for (size_t i = 0; i + 1 < sizeof(kReplacement); ++i) *out++ = kReplacement[i];
    outLeft -= sizeof(kReplacement) - 1;
    ++in, --inLeft;
    ::iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
  }
  m_out.resize(static_cast<size_t>(out - start));
  return m_out;
}

MarkupEncoder::~MarkupEncoder() { close(); }

void MarkupEncoder::close() {
  if (m_iconv != kClosed) ::iconv_close(m_iconv);
  m_iconv = kClosed;
}

bool MarkupEncoder::isOpen() const { return m_iconv != kClosed; }

bool MarkupEncoder::open(const std::string& charset) {
  close();
  m_iconv = ::iconv_open(charset.c_str(), "UTF-8");
  if (m_iconv == kClosed) return false;
  std::string ascii = "\t\n\r", converted;
  for (char c = 0x20; c < 0x7F; ++c) ascii += c;
  append(ascii, converted);
  if (converted == ascii) return true;
  close();
  errno = EINVAL;
  return false;
}

void MarkupEncoder::append(const std::string& text, std::string& out) {
  size_t used = out.size();
  out.resize(used + text.size() + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  // The last round shifts a stateful set back to its initial state, so
  // every piece stands alone.
  for (bool flushing = false;;) {
    char* at = &out[used];
    size_t room = out.size() - used;
    const size_t result = flushing ? ::iconv(m_iconv, nullptr, nullptr, &at, &room)
                                   : ::iconv(m_iconv, &in, &inLeft, &at, &room);
    used = static_cast<size_t>(at - out.data());
    if (result != static_cast<size_t>(-1)) {
      if (flushing) break;
      flushing = true;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(2 * out.size() + 16);
      continue;
    }
    // A character the set lacks (the text is well-formed).
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in);
    size_t length = 1;
    const uint32_t code = utf8::decode(p, p + inLeft, length);
    char reference[16];
    const int size = std::snprintf(reference, sizeof(reference), "&#x%X;", code == utf8::kMalformed ? 0xFFFDu : code);
    out.resize(used);
    out.append(reference, static_cast<size_t>(size));
    used = out.size();
    out.resize(used + inLeft + 16);
    in += length;
    inLeft -= length;
  }
  out.resize(used);
}

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
