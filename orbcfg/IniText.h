// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORBCFG_INITEXT_H
#define ORYXUTIL_ORBCFG_INITEXT_H

// Reads INI text in one pass, line by line exactly as ACE's INI importer
// does, without its store (which costs more per key the more keys a
// section holds):
//  - lines are read in pieces of at most 4095 bytes (a longer line goes on
//    as a new line), each ending at its first NUL;
//  - a line and each key and value are trimmed of blanks, tabs, CR, LF, VT
//    and FF; empty lines and lines starting with ";" or "#" are skipped;
//  - "[path]": the path up to the last "]" names a section, its parts split
//    at "\" and "/" (so [a/b] and [a\b] are both the section a\b); a path
//    without parts keeps the current section;
//  - "key=value": split at the first "="; a value both starting and ending
//    with a double quote loses those two quotes (a lone quote gives "").
// Refused, ending the text there: a line that is neither; a section part
// holding "[" or "]" or longer than 255 bytes; a key before any section, or
// one holding "\", "[" or "]" or longer than 255 bytes (the empty key is
// accepted). A leading UTF-8 byte-order mark is skipped.
// Result: kOk, or kFailed at the first refused line; `take` has
// then seen every key before it, in file order (a key given twice: twice).

#include <cstddef>
#include <functional>
#include <string>

namespace oryx {

// section (parts joined by "\"), key, value
using IniEntryTaker =
    std::function<void(const std::string& section, const std::string& key, std::string&& value)>;

int readIniText(const std::string& text, const IniEntryTaker& take);

// The piece of text at `next` that fgets with room for `pieceBytes` bytes
// gives, [begin, end) up to its first NUL; `next` moves past it. `next`
// must be before `textEnd`.
struct TextPiece {
  const char* begin;
  const char* end;
};
TextPiece nextPiece(const char*& next, const char* textEnd, size_t pieceBytes);

}  // namespace oryx

#endif
