// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_HTML_HTMLTEXT_H
#define ORYXUTIL_EXPORT_HTML_HTMLTEXT_H

// Text an HTML parser takes without an error, for the HTML writer's
// escapeMarkup: the characters a parser reports -- C0 controls but TAB, LF,
// FF and CR, DEL, and in UTF-8 text the C1 controls and the noncharacters
// (U+FDD0-U+FDEF, U+nFFFE, U+nFFFF) -- written as U+FFFD (&#xFFFD;), the
// rest escaped as escapeHtml() does. A CR stays as it is: HTML has no
// error-free way to carry one, readers see a line break. Malformed UTF-8 is
// copied; readers decode it to U+FFFD on their own, without an error.
// Most texts hold no such character: hasParserErrors() finds them in one
// table-driven scan, and only then appendStrictHtml() takes its byte-wise way.
// Thread-safe: no state.

#include <string>

namespace oryx {

// Whether [p, end) holds a character a parser reports; `utf8`: the text is
// UTF-8 (else a local set, of which only ASCII bytes are looked at).
bool hasParserErrors(const unsigned char* p, const unsigned char* end, bool utf8);

// Appends [p, end) escaped, with those characters replaced, to `out`.
void appendStrictHtml(std::string& out, const unsigned char* p, const unsigned char* end, bool utf8);

}  // namespace oryx

#endif
