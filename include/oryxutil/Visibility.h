// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_VISIBILITY_H
#define ORYXUTIL_VISIBILITY_H

// ORYXUTIL_EXPORT marks the classes and functions that liboryxutil.so
// exports. The library is built with hidden visibility: whatever a public
// header does not mark stays inside the library, so a user can only link
// against the names the installed headers declare.

#define ORYXUTIL_EXPORT __attribute__((visibility("default")))

#endif
