#include "TaoCfgFixture.h"

#include "oryxutil/companion/CommonUtils.h"

// The endpoint options as the echo shows them, up to the service configuration.
static std::string endpointsIn(const std::string& echo) {
  const size_t start = echo.find(" -ORBEndpoint");
  return start == std::string::npos ? "" : echo.substr(start, echo.find(" -ORBSvcConf") - start);
}

TEST_F(TaoCfgTest, ListenAllIpWinsOverAnAddressList) {
  writeCfg("[NameService]\nListenAllIp=enable\nListenIpAddrs=10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://:7000", endpointsIn(echoed(-1, 0)));
  EXPECT_EQ(" -ORBEndpoint iiop://:7000", endpointsIn(echoed(7000, 0)));
}

TEST_F(TaoCfgTest, EveryListedAddressEndsWithABlankInListOrder) {
  writeCfg("[NameService]\nListenIpAddrs=10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://10.0.0.1:7000 ", endpointsIn(echoed(-1, 0)));
  writeCfg("[NameService]\nListenIpAddrs=10.0.0.2,10.0.0.1\n");
  EXPECT_EQ(" -ORBEndpoint iiop://10.0.0.2:7000  -ORBEndpoint iiop://10.0.0.1:7000 ",
            endpointsIn(echoed(7000, 0)));
}

TEST_F(TaoCfgTest, NoAddressMeansTheLocalHostName) {
  const std::string expected = " -ORBEndpoint iiop://" + oRYXCommonUtils::hostname() + ":7000";
  writeCfg("[NameService]\nhostname=ns\n");
  EXPECT_EQ(expected, endpointsIn(echoed(-1, 0)));
  writeCfg("[NameService]\nListenIpAddrs=,\n");
  EXPECT_EQ(expected, endpointsIn(echoed(7000, 0)));
}

TEST_F(TaoCfgTest, InSslModeEveryEndpointCarriesTheSslPort) {
  writeCfg("[NameService]\nssl=enable\nListenAllIp=enable\n");
  EXPECT_EQ(" -ORBEndpoint iiop://:7000/ssl_port=0 ", endpointsIn(echoed(7000, 0)));
  writeCfg("[NameService]\nssl=enable\nListenIpAddrs=a,b\n");
  EXPECT_EQ(" -ORBEndpoint iiop://a:7000/ssl_port=7001  -ORBEndpoint iiop://b:7000/ssl_port=7001 ",
            endpointsIn(echoed(7000, 7001)));
  writeCfg("[NameService]\nssl=enable\n");
  EXPECT_EQ(" -ORBEndpoint iiop://" + oRYXCommonUtils::hostname() + ":7000/ssl_port=7001 ",
            endpointsIn(echoed(7000, 7001)));
}

TEST_F(TaoCfgTest, HalfSecurityIsAPlainTextSearchReadInPieces) {
  oRYX_Tao_Cfg cfg(nullptr);
  const auto half = [&](const char* name, const std::string* content) {
    if (content) oryxtest::writeFile(dir.file(name), *content);
    return cfg.isHalfSecurity(ACE_CString(dir.file(name).c_str()), false);
  };
  EXPECT_TRUE(cfg.isHalfSecurity(ACE_CString(dir.file("missing").c_str()), true));
  EXPECT_TRUE(half("missing", nullptr));
  const std::string commented = "static SSLIOP_Factory \"-SSLAuthenticate NONE\"\n# -SSLNoProtection\n";
  const std::string without = "static SSLIOP_Factory \"-SSLAuthenticate SERVER\"\n";
  EXPECT_TRUE(half("commented.conf", &commented));
  EXPECT_FALSE(half("without.conf", &without));
  // A piece holds 1022 bytes of a line: a mention across the boundary is missed.
  const std::string across = std::string(1015, 'x') + "-SSLNoProtection\n";
  const std::string inside = std::string(1006, 'x') + "-SSLNoProtection\n";
  EXPECT_FALSE(half("across.conf", &across));
  EXPECT_TRUE(half("inside.conf", &inside));
}
