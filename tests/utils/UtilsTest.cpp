// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/utils/Utils.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using oryxtest::EnvGuard;
using oryxtest::TempDir;

namespace {

// A configuration directory for dbinfo.txt, for one scope.
struct ConfigDir {
  TempDir dir;
  EnvGuard config{"ORYX_CONFIG_PATH", dir.path().c_str()};
  std::string dbinfo() const { return dir.file("dbinfo.txt"); }
};

}  // namespace

TEST(DbConfigLookup, TokensSplitAtBlanksAndEqualsFirstValuedOccurrenceWinsElseTheDefault) {
  const char* cases[][3] = {{"dbname=alpha\ndbuser=beta\n", "dbuser", "beta"},  // {content, key, value}
                            {"dbname=alpha\n", "dbhost", "oryx"},
                            {"dbname=alpha\n", "DBNAME", "oryx"},  // keys are case-sensitive
                            {"dbname = alpha\n", "dbname", "oryx"},
                            {"a=1 dbname=alpha=x\tb=2", "dbname", "alpha"},
                            {"a=1 dbname=alpha=x\tb=2", "b", "2"},
                            {"dbname dbname= dbname=first\ndbname=second\n", "dbname", "first"}};
  ConfigDir config;
  for (const auto& c : cases) {
    oryxtest::writeFile(config.dbinfo(), c[0]);
    EXPECT_EQ(oRYXUtils::getDBConfigValue(c[1]), c[2]) << c[0] << " / " << c[1];
  }
}

TEST(DbConfigLookup, ReadAfreshOnEveryCallAndMissingOrReadOnlyFileGivesTheDefault) {
  ConfigDir config;
  oryxtest::writeFile(config.dbinfo(), "dbname=old\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "old");
  oryxtest::writeFile(config.dbinfo(), "dbname=new\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "new");
  ::chmod(config.dbinfo().c_str(), 0444);
  if (::geteuid() == 0) {
    // root may write a read-only file; a directory in its place fails for anyone
    ::unlink(config.dbinfo().c_str());
    ::mkdir(config.dbinfo().c_str(), 0755);
  }
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "oryx");
  EnvGuard missing("ORYX_CONFIG_PATH", "/no/such/dir");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "oryx");
}

TEST(FacadeGetenv, UnsetOrEmptyVariableWarnsOnStandardError) {
  EnvGuard unset("ORYX_TEST_UNSET", nullptr);
  EnvGuard empty("ORYX_TEST_EMPTY", "");
  EnvGuard set("ORYX_TEST_SET", "v");
  testing::internal::CaptureStderr();
  EXPECT_EQ(oRYXUtils::oRYXgetenv("ORYX_TEST_UNSET"), "");
  EXPECT_EQ(oRYXUtils::oRYXgetenv("ORYX_TEST_EMPTY"), "");
  EXPECT_EQ(oRYXUtils::oRYXgetenv("ORYX_TEST_SET"), "v");
  EXPECT_EQ(oRYXUtils::oRYXgetenv(nullptr), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Environment ORYX_TEST_UNSET not set!!\nEnvironment ORYX_TEST_EMPTY not set!!\n");
}

TEST(FacadeForwarding, NullArchiveNameIsDerivedLikeAnEmptyOne) {
  TempDir dir, root;
  EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
  oryxtest::writeFile(dir.file("a.log"), "a");
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "a.log", nullptr, 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXUtils::zipSpecificFile(dir.path().c_str(), "a.log", nullptr, 0, "UTF-8"), 0);
  EXPECT_EQ(::access(dir.file("a.zip").c_str(), F_OK), 0);
}
