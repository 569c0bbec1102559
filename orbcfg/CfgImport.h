#ifndef ORYXUTIL_ORBCFG_CFGIMPORT_H
#define ORYXUTIL_ORBCFG_CFGIMPORT_H

// Imports an INI file into an opened configuration store.
// The path is a product path (a backslash is a separator). A leading UTF-8
// byte-order mark is skipped, since the INI reader rejects the first line
// otherwise and Windows editors commonly write one.
// Result: kCfgOk, or kCfgFailed when the file is missing, unreadable or not
// accepted by the INI reader (entries before the bad line stay in the store).

#include <ace/Configuration.h>

namespace oryx {

int importIniFile(ACE_Configuration_Heap& store, const char* path);

}  // namespace oryx

#endif
