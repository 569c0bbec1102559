// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_CONTENTENCODING_H
#define ORYXUTIL_EXPORT_CONTENTENCODING_H

// Whether export content is UTF-8 or in the local character set. Both read
// the environment at every call; thread-safe.
// LocalCharsetDecoder turns local-charset text into UTF-8 for the writers
// whose format is UTF-8 whatever the content mode; MarkupEncoder carries
// UTF-8 into a document's declared character set. One object per writer.

#include <iconv.h>

#include <string>

namespace oryx {

// FILECONTENT_LOCAL_CHARSET converted with atoi is 1 (so "1", "01", "1x").
bool isLocalCharset();

// A global-version installation whose content is not forced local.
bool isUtf8ContentMode();

// The local character set as iconv names it: GBK, the superset of the
// GB2312 that the XML declaration names (Windows code page 936).
extern const char kLocalCharset[];

class LocalCharsetDecoder {
 public:
  LocalCharsetDecoder() = default;
  ~LocalCharsetDecoder();
  LocalCharsetDecoder(const LocalCharsetDecoder&) = delete;
  LocalCharsetDecoder& operator=(const LocalCharsetDecoder&) = delete;

  // Prepares the conversion; false (errno set) when iconv cannot do it.
  bool open();
  // The UTF-8 form of `text`, valid until the next call: a byte sequence
  // that is not local-charset text becomes U+FFFD, one per byte, so
  // nothing is dropped silently. Needs a successful open().
  const std::string& toUtf8(const std::string& text);

 private:
  iconv_t m_iconv = reinterpret_cast<iconv_t>(-1);
  std::string m_out;  // grows to the largest text, never shrinks
};

class MarkupEncoder {
 public:
  MarkupEncoder() = default;
  ~MarkupEncoder();
  MarkupEncoder(const MarkupEncoder&) = delete;
  MarkupEncoder& operator=(const MarkupEncoder&) = delete;

  // Prepares UTF-8 -> `charset`; false when iconv lacks the set or the set
  // does not write ASCII as ASCII (markup must read the same in it).
  bool open(const std::string& charset);
  void close();
  bool isOpen() const;
  // Appends `text` (well-formed UTF-8) in the set to `out`: a character the
  // set lacks becomes a character reference (&#xHHHH;), so none is lost.
  // Needs a successful open().
  void append(const std::string& text, std::string& out);

 private:
  iconv_t m_iconv = reinterpret_cast<iconv_t>(-1);
};

// "UTF-8" in any ASCII case: the name of UTF-8 content.
bool namesUtf8(const std::string& encoding);

// What a writer asked for a byte-order mark puts first in UTF-8 content.
const char kUtf8Bom[] = "\xEF\xBB\xBF";

}  // namespace oryx

#endif
