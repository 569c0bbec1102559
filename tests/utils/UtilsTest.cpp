#include "oryxutil/utils/Utils.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using oryxtest::EnvGuard;
using oryxtest::TempDir;

namespace {

// A configuration directory holding dbinfo.txt with `content`.
class DbInfo {
 public:
  explicit DbInfo(const std::string& content) : m_config("ORYX_CONFIG_PATH", m_dir.path().c_str()) {
    oryxtest::writeFile(path(), content);
  }
  std::string path() const { return m_dir.file("dbinfo.txt"); }

 private:
  TempDir m_dir;
  EnvGuard m_config;
};

}  // namespace

TEST(DbConfigLookup, KeysFoundOthersGiveTheDefault) {
  DbInfo info("dbname=alpha\ndbuser=beta\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "alpha");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbuser"), "beta");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbhost"), "oryx");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("DBNAME"), "oryx");  // keys are case-sensitive
}

TEST(DbConfigLookup, TokensAreSplitAtWhiteSpaceAndAtEquals) {
  {
    DbInfo info("dbname = alpha\n");
    EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "oryx");
  }
  {
    DbInfo info("a=1 dbname=alpha=x\tb=2");
    EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "alpha");
    EXPECT_EQ(oRYXUtils::getDBConfigValue("b"), "2");
  }
}

TEST(DbConfigLookup, FirstOccurrenceWinsAndValuelessTokensAreSkipped) {
  DbInfo info("dbname dbname= dbname=first\ndbname=second\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "first");
}

TEST(DbConfigLookup, ReadAfreshOnEveryCall) {
  DbInfo info("k=old\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("k"), "old");
  oryxtest::writeFile(info.path(), "k=new\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("k"), "new");
}

TEST(DbConfigLookup, MissingOrReadOnlyFileGivesTheDefault) {
  DbInfo info("dbname=alpha\n");
  ::chmod(info.path().c_str(), 0444);
  if (::geteuid() == 0) {
    // root may write a read-only file; a directory in its place fails for anyone
    ::unlink(info.path().c_str());
    ::mkdir(info.path().c_str(), 0755);
  }
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "oryx");
  EnvGuard config("ORYX_CONFIG_PATH", "/no/such/dir");
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
  TempDir dir;
  oryxtest::writeFile(dir.file("a.log"), "a");
  EXPECT_EQ(oRYXUtils::zipSpecificFile(dir.path().c_str(), "a.log", nullptr, 0, "UTF-8"),
            oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "a.log", "", 0, "UTF-8"));
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "a.log", nullptr, 0, "UTF-8"), -1);
}

TEST(FacadeForwarding, ReplaceEnvVarReachesTheCommonUtility) {
  EnvGuard name("ORYX_TEST_NAME", "x");
  EXPECT_EQ(oRYXUtils::replaceEnvVar("${ORYX_TEST_NAME}y"), "xy");
}
