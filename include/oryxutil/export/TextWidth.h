// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_PUBLIC_TEXTWIDTH_H
#define ORYXUTIL_EXPORT_PUBLIC_TEXTWIDTH_H

// The display width the boxed-text ("txt") writer gives a UTF-8 text: an
// East Asian wide character takes two columns, every other character one,
// a malformed byte one. With `terminalWidths` the width a terminal draws
// (the writer's WriterOptions::terminalWidths rule: grapheme clusters,
// wide East Asian and emoji characters two columns, marks and format
// characters none, a control character one). Choose the txt writer's column
// widths with the rule its options select, so they agree with its layout.
// Pure functions: safe from any thread.

#include "oryxutil/Visibility.h"

#include <cstdint>
#include <string>

namespace oryx {

ORYXUTIL_EXPORT uint32_t textWidth(const std::string& text);
ORYXUTIL_EXPORT uint32_t textWidth(const std::string& text, bool terminalWidths);

}  // namespace oryx

#endif
