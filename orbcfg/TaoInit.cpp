// SPDX-License-Identifier: Apache-2.0
// oRYX_Tao_Cfg: the ORB argument vector of both TAO_init forms.
#include "oryxutil/orbcfg/TaoCfg.h"

#include "companion/ResultCodes.h"
#include "orbcfg/ArgvBuild.h"
#include "orbcfg/OrbOptions.h"
#include "oryxutil/companion/CommonUtils.h"

#include <ace/OS_NS_stdio.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace {

std::string text(const ACE_String_Base<char>& value) {
  return std::string(value.c_str(), value.length());
}

std::string orbExtension(oRYX_Tao_Cfg& cfg) {
  const ACE_String_Base<char> section("ORB");
  const ACE_String_Base<char> key("orbext");
  return text(cfg.getparam(&section, &key));
}

// Every text of the options that comes from a setting, a variable or the
// caller, named for the warning about a word that would be cut short.
std::vector<oryx::NamedText> namedSources(
    std::initializer_list<std::pair<const char*, const ACE_String_Base<char>*>> settings,
    std::initializer_list<oryx::NamedText> others) {
  std::vector<oryx::NamedText> sources;
  for (const auto& setting : settings) sources.emplace_back(setting.first, text(*setting.second));
  sources.insert(sources.end(), others.begin(), others.end());
  return sources;
}

}  // namespace

ACE_ARGV_T<char>* oRYX_Tao_Cfg::TAO_init(char** const argv, const char* listenPort,
                                         std::string svcConfName) {
  if (Initalize() != oryx::kOk) return nullptr;
  ParseNameService();
  ParseDebug();
  ParseORB();
  if (m_nsHost.length() == 0) m_nsHost = oRYXCommonUtils::hostname().c_str();

  const std::string configPath = oRYXCommonUtils::oRYXgetenv("ORYX_CONFIG_PATH");
  if (configPath.empty()) return nullptr;
  const std::string serviceConfig =
      oryx::serviceConfigPath(configPath, svcConfName.empty() ? "svc.conf" : svcConfName);

  std::string options = oryx::nameServiceReference("iiop", text(m_nsHost), text(m_nsPort));
  if (listenPort != nullptr) options += getListenpara(listenPort);

  const std::string root = oRYXCommonUtils::oRYXgetenv("ORYX_ROOT");
  if (root.empty()) return nullptr;
  const std::string orbext = orbExtension(*this);
  options += oryx::trailingOptions(serviceConfig, text(m_debugLevel), root, text(m_useIp), orbext);

  oryx::debugEcho("tao param1: ", options, orbext);
  return oryx::buildOrbArgv(
      argv, options,
      namedSources({{"[NameService] hostname", &m_nsHost},
                    {"[NameService] port", &m_nsPort},
                    {"[NameService] ListenIpAddrs", &m_listenIpAddrs},
                    {"[Debug] DebugLevel", &m_debugLevel}},
                   {{"[ORB] orbext", orbext},
                    {"listen port", listenPort != nullptr ? listenPort : ""},
                    {"service configuration name", svcConfName},
                    {"ORYX_CONFIG_PATH", configPath},
                    {"ORYX_ROOT", root}}));
}

ACE_ARGV_T<char>* oRYX_Tao_Cfg::TAO_init(char** const argv, int listenPort,
                                         const std::string& svcConfName, int sslListenPort) {
  if (Initalize() != oryx::kOk) return nullptr;
  ParseNameService();
  ParseDebug();
  ParseORB();

  if (m_ssl != oryx::kSwitchOn) {
    // Plain mode: the port as text and the default service configuration.
    char port[10] = {0};
    ACE_OS::snprintf(port, sizeof(port), "%d", listenPort);
    return TAO_init(argv, port, std::string());
  }

  if (m_nsHost.length() == 0) m_nsHost = oRYXCommonUtils::hostname().c_str();
  const std::string configPath = oRYXCommonUtils::oRYXgetenv("ORYX_CONFIG_PATH");
  if (configPath.empty()) return nullptr;
  // Without a named file the default SSL configuration is taken to allow
  // unprotected IIOP, so it is not read.
  const bool assumeHalf = svcConfName.empty();
  const std::string serviceConfig =
      oryx::serviceConfigPath(configPath, assumeHalf ? "svc_ssl.conf" : svcConfName);

  std::string options;
  if (isHalfSecurity(ACE_String_Base<char>(serviceConfig.c_str()), assumeHalf)) {
    options = oryx::nameServiceReference("iiop", text(m_nsHost), text(m_nsPort));
  } else {
    options = oryx::nameServiceReference("ssliop", text(m_nsHost), text(m_nsSslPort));
  }
  if (listenPort != 0) options += getListenpara(listenPort, sslListenPort, true);

  const std::string root = oRYXCommonUtils::oRYXgetenv("ORYX_ROOT");
  if (root.empty()) return nullptr;
  const std::string orbext = orbExtension(*this);
  options += oryx::trailingOptions(serviceConfig, text(m_debugLevel), root, text(m_useIp), orbext);

  oryx::debugEcho("tao param2: ", options, orbext);
  return oryx::buildOrbArgv(
      argv, options,
      namedSources({{"[NameService] hostname", &m_nsHost},
                    {"[NameService] port", &m_nsPort},
                    {"[NameService] sslport", &m_nsSslPort},
                    {"[NameService] ListenIpAddrs", &m_listenIpAddrs},
                    {"[Debug] DebugLevel", &m_debugLevel}},
                   {{"[ORB] orbext", orbext},
                    {"service configuration name", svcConfName},
                    {"ORYX_CONFIG_PATH", configPath},
                    {"ORYX_ROOT", root}}));
}
