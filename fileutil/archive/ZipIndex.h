// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_ARCHIVE_ZIPINDEX_H
#define ORYXUTIL_FILEUTIL_ARCHIVE_ZIPINDEX_H

// Reads a zip file's central directory: the stored name and uncompressed
// size of every entry, zip64 records followed where sizes, offsets or the
// entry count need them. Only the end of the file and the central directory
// are read; entry data is not. Pure reading: any thread, one file each.

#include <cstdint>
#include <map>
#include <string>

namespace oryx {
namespace fileutil {

// Fills `sizes` (stored name -> uncompressed size; a directory's name ends
// with "/") from the zip file open as `fd`. False when no well-formed
// central directory is found (not a zip, cut short, inconsistent counts).
bool readZipIndex(int fd, std::map<std::string, uint64_t>& sizes);

}  // namespace fileutil
}  // namespace oryx

#endif
