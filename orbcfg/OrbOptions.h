// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORBCFG_ORBOPTIONS_H
#define ORYXUTIL_ORBCFG_ORBOPTIONS_H

// The fixed pieces of the ORB option text that both TAO_init forms share.
// Paths inside the options use "/" so that the ORB finds the files on Linux.

#include <string>

namespace oryx {

// A switch of tao.cfg is on only for exactly this value.
const char kSwitchOn[] = "enable";

// CFG "/" name: the service configuration file below the configuration path.
std::string serviceConfigPath(const std::string& configPath, const std::string& fileName);

// " -ORBInitRef NameService=corbaloc:<protocol>:host:port/NameService"
std::string nameServiceReference(const char* protocol, const std::string& host,
                                 const std::string& port);

// Everything after the endpoints: service configuration, debugging (when the
// level reads as 1 or more), dotted addresses (when `useIp` is "enable"), one
// blank and the installation's extra options (split at blanks: a list of
// options). The two paths are quoted when they hold a blank (wholeWord).
std::string trailingOptions(const std::string& serviceConfig, const std::string& debugLevel,
                            const std::string& root, const std::string& useIp,
                            const std::string& orbext);

// Writes "<label>options" and "tao_OrbExt <orbext>" to stdout when
// ORYX_TAO_DEBUG_WREN is exactly "1".
void debugEcho(const char* label, const std::string& options, const std::string& orbext);

}  // namespace oryx

#endif
