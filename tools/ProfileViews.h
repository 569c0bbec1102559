// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_PROFILEVIEWS_H
#define ORYXUTIL_TOOLS_PROFILEVIEWS_H

// What oryx-profile prints from a profile (ProfileTrace.h), each as text:
// - summary: per name (or per name and thread) count, total, self, mean,
//   p50, p90, p99 and max in microseconds, sorted by total, as an aligned
//   table, CSV or JSON;
// - folded: one line per stack, "outer;inner <self time in whole us>";
// - flame graph: a self-contained SVG (no script), a hover title per frame;
// - timeline: a self-contained HTML page, one lane per thread.
// Pure functions; any thread.

#include "ProfileTrace.h"

#include <string>

namespace oryxtool {

enum class SummaryForm { kTable, kCsv, kJson };

std::string summary(const Profile& profile, bool byThread, SummaryForm form);
std::string folded(const Profile& profile, bool byThread);
std::string flameGraph(const Profile& profile, const std::string& title);
// At most `limit` spans are drawn (the longest).
std::string timeline(const Profile& profile, const std::string& title, size_t limit);

}  // namespace oryxtool

#endif
