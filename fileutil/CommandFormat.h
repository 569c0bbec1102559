#ifndef ORYXUTIL_FILEUTIL_COMMANDFORMAT_H
#define ORYXUTIL_FILEUTIL_COMMANDFORMAT_H

// Formats one archiver or file command line into a buffer of a fixed size.
// A line that does not fit is refused instead of cut: a cut "del" or "7za"
// line would name other files than the caller did.

#include <cstddef>
#include <string>

namespace oryx {
namespace fileutil {

// Command buffers of the zip operations, terminator included.
const size_t kDirCommandSize = 512;
const size_t kFileCommandSize = 2048;

// True with `out` set when the formatted line fits `capacity` bytes.
bool formatCommand(std::string& out, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace fileutil
}  // namespace oryx

#endif
