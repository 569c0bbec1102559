#ifndef ORYXUTIL_EXPORT_WRITERCODES_H
#define ORYXUTIL_EXPORT_WRITERCODES_H

// Results of the writer operations, named once.

namespace oryx {

const long kOk = 0;
const long kFailed = -1;

}  // namespace oryx

#endif


