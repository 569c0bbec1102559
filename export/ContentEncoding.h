#ifndef ORYXUTIL_EXPORT_CONTENTENCODING_H
#define ORYXUTIL_EXPORT_CONTENTENCODING_H

// Whether export content is UTF-8 or in the local character set. Both read
// the environment at every call; thread-safe.

#include <string>

namespace oryx {

// FILECONTENT_LOCAL_CHARSET converted with atoi is 1 (so "1", "01", "1x").
bool isLocalCharset();

// A global-version installation whose content is not forced local.
bool isUtf8ContentMode();

// "UTF-8" in any ASCII case: the name of UTF-8 content.
bool namesUtf8(const std::string& encoding);

// What a writer asked for a byte-order mark puts first in UTF-8 content.
const char kUtf8Bom[] = "\xEF\xBB\xBF";

}  // namespace oryx

#endif
