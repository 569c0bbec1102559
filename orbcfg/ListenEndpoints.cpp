// SPDX-License-Identifier: Apache-2.0
// oRYX_Tao_Cfg: the -ORBEndpoint options and the half-security test.
#include "oryxutil/orbcfg/TaoCfg.h"

#include "companion/io/ConfigFile.h"
#include "companion/os/NativePath.h"
#include "orbcfg/IniText.h"
#include "orbcfg/OrbOptions.h"
#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/OS.h"

#include <ace/OS_NS_stdio.h>

#include <list>
#include <string>

namespace {

const char kEndpointPrefix[] = " -ORBEndpoint iiop://";

// Endpoints of the process: all interfaces, each address of the list, or the
// local host's name. `port` is the text after the colon, `tail` what follows
// each endpoint of a single-endpoint case, `listTail` each endpoint of the list.
std::string endpoints(const ACE_String_Base<char>& listenAllIp,
                      const ACE_String_Base<char>& listenIpAddrs, const std::string& port,
                      const std::string& tail, const std::string& listTail) {
  if (listenAllIp == oryx::kSwitchOn) return kEndpointPrefix + (":" + port) + tail;
  std::list<std::string> addresses;
  if (listenIpAddrs.length() > 0) {
    oRYXCommonUtils::split(listenIpAddrs.c_str(), ",", addresses);
  }
  if (addresses.empty()) {
    return kEndpointPrefix + oRYXCommonUtils::hostname() + ":" + port + tail;
  }
  std::string result;
  for (const std::string& address : addresses) {
    result += kEndpointPrefix + address + ":" + port + listTail;
  }
  return result;
}

std::string decimal(int value) {
  char buffer[128] = {0};
  ACE_OS::snprintf(buffer, sizeof(buffer), "%d", value);
  return buffer;
}

}  // namespace

std::string oRYX_Tao_Cfg::getListenpara(const char* listenPort) {
  return endpoints(m_listenAllIp, m_listenIpAddrs, listenPort != nullptr ? listenPort : "", "",
                   " ");
}

std::string oRYX_Tao_Cfg::getListenpara(int listenPort, int sslListenPort, bool withSsl) {
  if (!withSsl) return endpoints(m_listenAllIp, m_listenIpAddrs, decimal(listenPort), "", " ");
  const std::string ssl = "/ssl_port=" + decimal(sslListenPort) + " ";
  return endpoints(m_listenAllIp, m_listenIpAddrs, decimal(listenPort), ssl, ssl);
}

bool oRYX_Tao_Cfg::isHalfSecurity(const ACE_String_Base<char>& svcConfFile, bool assumeHalf) {
  if (assumeHalf) return true;
  // Anything but a regular file of at most 4 MiB counts as a file that cannot be opened.
  std::string text;
  if (!oryx::readConfigFile(oryx::nativePath(std::string(svcConfFile.c_str())),
                            oryx::ConfigAccess::kRead, text)) {
    return true;
  }
  // Read in pieces of at most 1022 bytes, each up to a line end and seen up
  // to its first NUL; a mention split across two pieces of a long line is
  // not seen.
  const size_t kPiece = 1022;
  const char kMention[] = "-SSLNoProtection";
  const char* next = text.data();
  const char* const textEnd = next + text.size();
  while (next < textEnd) {
    const oryx::TextPiece piece = oryx::nextPiece(next, textEnd, kPiece);
    if (std::string(piece.begin, piece.end).find(kMention) != std::string::npos) return true;
  }
  return false;
}
