#ifndef ORYXUTIL_EXPORT_CONTENTENCODING_H
#define ORYXUTIL_EXPORT_CONTENTENCODING_H

// Whether export content is UTF-8 or in the local character set. Both read
// the environment at every call; thread-safe.

namespace oryx {

// FILECONTENT_LOCAL_CHARSET converted with atoi is 1 (so "1", "01", "1x").
bool isLocalCharset();

// A global-version installation whose content is not forced local.
bool isUtf8ContentMode();

}  // namespace oryx

#endif
