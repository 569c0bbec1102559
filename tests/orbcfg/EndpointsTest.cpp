// SPDX-License-Identifier: Apache-2.0
#include "TaoCfgFixture.h"

#include "oryxutil/companion/CommonUtils.h"

// The endpoint options as the echo shows them, up to the service configuration.
static std::string endpointsIn(const std::string& echo) {
  const size_t start = echo.find(" -ORBEndpoint");
  return start == std::string::npos ? "" : echo.substr(start, echo.find(" -ORBSvcConf") - start);
}

TEST_F(TaoCfgTest, EveryListedAddressEndsWithABlankTheHostNameFormDoesNot) {
  writeCfg("[NameService]\nListenIpAddrs=10.0.0.2,10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://10.0.0.2:7000  -ORBEndpoint iiop://10.0.0.1:7000 ",
            endpointsIn(echoed(-1, 0)));
  for (const char* none : {"", "ListenIpAddrs=,\n"}) {
    writeCfg(std::string("[NameService]\nhostname=ns\n") + none);
    EXPECT_EQ(" -ORBEndpoint iiop://" + oRYXCommonUtils::hostname() + ":7000",
              endpointsIn(echoed(7000, 0)));
  }
}

TEST_F(TaoCfgTest, InSslModeEveryEndpointCarriesTheSslPort) {
  // ListenAllIp wins over an address list.
  writeCfg("[NameService]\nssl=enable\nListenAllIp=enable\nListenIpAddrs=10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://:7000/ssl_port=0 ", endpointsIn(echoed(7000, 0)));
  writeCfg("[NameService]\nssl=enable\nListenIpAddrs=a,b\n");
  EXPECT_EQ(" -ORBEndpoint iiop://a:7000/ssl_port=7001  -ORBEndpoint iiop://b:7000/ssl_port=7001 ",
            endpointsIn(echoed(7000, 7001)));
}
