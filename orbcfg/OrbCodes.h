#ifndef ORYXUTIL_ORBCFG_ORBCODES_H
#define ORYXUTIL_ORBCFG_ORBCODES_H

// Results and fixed texts of the ORB configuration, named once.

namespace oryx {

const int kCfgOk = 0;
const int kCfgFailed = -1;

// Section map size of the in-memory store that tao.cfg is imported into.
const int kCfgSectionMapSize = 16;

// A switch of tao.cfg is on only for exactly this value.
const char kSwitchOn[] = "enable";

}  // namespace oryx

#endif
