// SPDX-License-Identifier: Apache-2.0
#include "orbcfg/OrbOptions.h"

#include "orbcfg/ArgvBuild.h"
#include "oryxutil/companion/CommonUtils.h"

#include <cstdio>
#include <cstdlib>

namespace oryx {

std::string serviceConfigPath(const std::string& configPath, const std::string& fileName) {
  return configPath + "/" + fileName;
}

std::string nameServiceReference(const char* protocol, const std::string& host,
                                 const std::string& port) {
  return std::string(" -ORBInitRef NameService=corbaloc:") + protocol + ":" + host + ":" + port +
         "/NameService";
}

std::string trailingOptions(const std::string& serviceConfig, const std::string& debugLevel,
                            const std::string& root, const std::string& useIp,
                            const std::string& orbext) {
  // Paths are kept whole: an installation directory may hold a blank.
  std::string text = " -ORBSvcConf " + wholeWord(serviceConfig);
  // Read like atoi (leading digits, else 0), but a number too large for an
  // int still counts as a level above 0 instead of wrapping.
  if (std::strtoll(debugLevel.c_str(), nullptr, 10) >= 1) {
    text += " -ORBDebugLevel " + debugLevel + " -ORBLogFile " + wholeWord(root + "/var/logs/tao.trace");
  }
  if (useIp == kSwitchOn) text += " -ORBDottedDecimalAddresses 1";
  text += " ";
  text += orbext;
  return text;
}

void debugEcho(const char* label, const std::string& options, const std::string& orbext) {
  if (oRYXCommonUtils::oRYXgetenv("ORYX_TAO_DEBUG_WREN") != "1") return;
  std::fprintf(stdout, "%s%s\n", label, options.c_str());
  std::fflush(stdout);
  std::fprintf(stdout, "tao_OrbExt %s\n", orbext.c_str());
  std::fflush(stdout);
}

}  // namespace oryx
