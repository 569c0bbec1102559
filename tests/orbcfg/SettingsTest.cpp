// SPDX-License-Identifier: Apache-2.0
#include "TaoCfgFixture.h"

#include <algorithm>

const std::string kRef = "NameService=corbaloc:iiop:";

TEST_F(TaoCfgTest, MissingFileFailsThenLoadsOnceCreatedAndIsNeverReloaded) {
  oRYX_Tao_Cfg cfg(cfgPath().c_str());
  EXPECT_EQ(kNull, words(cfg.TAO_init(argv, "1", "")));
  writeCfg("[NameService]\nhostname=old\nport=9\n");
  EXPECT_EQ(kRef + "old:9/NameService", words(cfg.TAO_init(argv, nullptr, ""))[2]);
  writeCfg("[NameService]\nhostname=new\n");
  EXPECT_EQ(kRef + "old:9/NameService", words(cfg.TAO_init(argv, nullptr, ""))[2]);
  EXPECT_EQ(kRef + "new:/NameService", plain(nullptr)[2]);
}

TEST_F(TaoCfgTest, BackslashInTheCfgPathIsASeparatorAndAByteOrderMarkIsSkipped) {
  writeCfg("\xEF\xBB\xBF[NameService]\r\nhostname=bom\r\n");
  std::string path = cfgPath();
  std::replace(path.begin(), path.end(), '/', '\\');
  oRYX_Tao_Cfg cfg(path.c_str());
  EXPECT_EQ(kRef + "bom:/NameService", words(cfg.TAO_init(argv, nullptr, ""))[2]);
}

