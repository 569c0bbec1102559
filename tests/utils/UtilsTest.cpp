#include "oryxutil/utils/Utils.h"

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(DbConfigLookup, TokensSplitAtBlanksAndEqualsFirstValuedOccurrenceWinsElseTheDefault) {
  const char* cases[][3] = {{"dbname=alpha\ndbuser=beta\n", "dbuser", "beta"},  // {content, key, value}
                            {"dbname=alpha\n", "dbhost", "oryx"},
                            {"dbname=alpha\n", "DBNAME", "oryx"},  // keys are case-sensitive
                            {"dbname = alpha\n", "dbname", "oryx"},
                            {"a=1 dbname=alpha=x\tb=2", "dbname", "alpha"},
                            {"a=1 dbname=alpha=x\tb=2", "b", "2"},
                            {"dbname dbname= dbname=first\ndbname=second\n", "dbname", "first"}};
  for (const auto& c : cases) {
    DbInfo info(c[0]);
    EXPECT_EQ(oRYXUtils::getDBConfigValue(c[1]), c[2]) << c[0] << " / " << c[1];
  }
}

TEST(DbConfigLookup, ReadAfreshOnEveryCallAndMissingOrReadOnlyFileGivesTheDefault) {
  DbInfo info("dbname=old\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "old");
  oryxtest::writeFile(info.path(), "dbname=new\n");
  EXPECT_EQ(oRYXUtils::getDBConfigValue("dbname"), "new");
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

TEST(FacadeForwarding, NullArchiveNameIsDerivedLikeAnEmptyOneAndReplaceReachesTheUtility) {
  TempDir dir, root;
  EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
  oryxtest::writeFile(dir.file("a.log"), "a");
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "a.log", nullptr, 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXUtils::zipSpecificFile(dir.path().c_str(), "a.log", nullptr, 0, "UTF-8"), 0);
  EXPECT_EQ(::access(dir.file("a.zip").c_str(), F_OK), 0);
  EnvGuard name("ORYX_TEST_NAME", "x");
  EXPECT_EQ(oRYXUtils::replaceEnvVar("${ORYX_TEST_NAME}y"), "xy");
}
