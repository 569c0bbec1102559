#ifndef ORYXUTIL_FILEUTIL_RESULTCODES_H
#define ORYXUTIL_FILEUTIL_RESULTCODES_H

// Results of the file utilities, named once.

namespace oryx {
namespace fileutil {

const int kOk = 0;
const int kFailed = -1;
const int kLaterStepFailed = -2;  // packed or partly pruned, but a deletion failed

// Answers of oRYXFileUtil::isDir.
const int kIsDirectory = 1;
const int kNotDirectory = 2;

}  // namespace fileutil
}  // namespace oryx

#endif
