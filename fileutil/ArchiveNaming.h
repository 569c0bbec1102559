#ifndef ORYXUTIL_FILEUTIL_ARCHIVENAMING_H
#define ORYXUTIL_FILEUTIL_ARCHIVENAMING_H

// How zipSpecificFile turns its file list into command text and an archive
// name. A file list is one name, names separated by ";", or a wildcard.

#include <string>

namespace oryx {
namespace fileutil {

// The list as command text: one plain name is quoted; ";" becomes a blank.
std::string fileListCommandText(const std::string& files);

// The archive name the list itself gives: a single name without its last
// extension (x.log -> x, a.b.log -> a.b, abc -> abc). False for a list with
// ";" and for "*", "*.ext" or ".ext": those are named from the directory.
bool archiveNameFromList(const std::string& files, std::string& name);

// The archive name from the entries of `dir` that the list selects: the
// oldest entry for "*", "*.*", "." and "", else the greatest name holding
// the list's name filter (its extension, or "." for ".*"), cut before its
// first ".". False when the list is rejected (begins with ";" or ".", or
// has a blank but no "."), the directory unreadable or nothing matches.
bool archiveNameFromDirectory(const char* dir, const std::string& files, const char* encoding,
                              std::string& name);

}  // namespace fileutil
}  // namespace oryx

#endif
