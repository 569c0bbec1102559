// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_ARCHIVENAMING_H
#define ORYXUTIL_FILEUTIL_ARCHIVENAMING_H

// How zipSpecificFile turns its file list into archiver words and an archive
// name. A file list is one name, names separated by ";", or a wildcard. The
// texts here are UTF-8 as the caller wrote them, backslashes not yet mapped.

#include <string>
#include <vector>

namespace oryx {
namespace fileutil {

// One word per name of the list: the pieces between ";", byte for byte, so a
// name may hold blanks, quotes or anything but ";". Empty pieces are dropped.
// A wildcard stays a wildcard.
std::vector<std::string> fileListWords(const std::string& files);

// The archive name the list itself gives: a single name without its last
// extension (x.log -> x, a.b.log -> a.b, abc -> abc). False for a list with
// ";" and for "*", "*.ext" or ".ext": those are named from the directory.
bool archiveNameFromList(const std::string& files, std::string& name);

// The archive name from the entries of the working directory that the list
// selects: the oldest entry for "*", "*.*", "." and "", else the greatest
// name holding the list's name filter (its extension, or "." for ".*"), cut
// before its first ".". The name is an entry's own bytes. False when the
// list is rejected (begins with ";" or ".", or has a blank but no "."), the
// directory unreadable, nothing matches or the name would be empty.
bool archiveNameFromDirectory(const std::string& files, std::string& name);

}  // namespace fileutil
}  // namespace oryx

#endif
