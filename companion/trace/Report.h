// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_REPORT_H
#define ORYXUTIL_COMPANION_REPORT_H

// The one way the library reports a failure: level 5, category 1, through
// the four trace-client calls. Never changes errno. Thread-safe.

#include <cstdarg>
#include <string>

namespace oryx {

// The library-wide category of every report.
extern const int kTraceCategory;

void report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Keeps text as the calling thread's last report without sending it: the
// reason behind a result that, by contract, reports nothing.
void keepReason(std::string text);

// printf formatting into `text` (replaced); false, text empty, when the
// format cannot be applied. `args` is consumed as by vsnprintf.
bool formatText(std::string& text, const char* format, va_list args);

}  // namespace oryx

#endif
