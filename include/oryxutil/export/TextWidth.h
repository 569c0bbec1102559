// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_PUBLIC_TEXTWIDTH_H
#define ORYXUTIL_EXPORT_PUBLIC_TEXTWIDTH_H

// The display width the boxed-text ("txt") writer gives a UTF-8 text: an
// East Asian wide character takes two columns, every other character one,
// a malformed byte one. Choose the txt writer's column widths with it so
// they agree with its layout. Pure function: safe from any thread.

#include "oryxutil/Visibility.h"

#include <cstdint>
#include <string>

namespace oryx {

ORYXUTIL_EXPORT uint32_t textWidth(const std::string& text);

}  // namespace oryx

#endif
