// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_PLAINDECIMAL_H
#define ORYXUTIL_EXPORT_PLAINDECIMAL_H

// Which fields the writers' numericCells option writes as numbers (XLSX
// numeric cells, JSON numbers). Pure function; thread-safe.

#include <cstddef>

namespace oryx {

// True for a plain decimal: an optional "-", "0" or digits not starting
// with 0, optionally "." and at least one digit, with at most 15 significant
// digits (counted from the first non-zero digit). Such text survives the
// round trip through a double and back with 15 digits.
bool isPlainDecimal(const char* text, size_t size);

}  // namespace oryx

#endif
