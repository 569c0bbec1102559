// SPDX-License-Identifier: Apache-2.0
// Every name reaches 7za literally: the real 7za packs each hard name as a
// subdirectory and as a file, and nothing but the named entries is packed,
// deleted or created (the staging directory included).
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Archives.h"
#include "fileutil/Files.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <cctype>

using namespace oryxtest;
using Names = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

namespace {

// The names every operation must pack literally. In a file list ";"
// separates names, so the two names holding one are packed as
// subdirectories only.
const std::vector<std::string> kFileAndDirectoryNames = {
    "-sdel", "-p", "-pSECRET", "-r", "-x!*", "@list", "--", "quote\"d", "apos'trophe", "with blank",
    "$(touch X)", "`touch X`", "x | y", "star*", "q?mark", "%PATH%", "new\nline", "bad\xff\xfe",
    std::string(255, 'n'), "Z\xc3\xbcrich \xe6\x97\xa5\xe6\x9c\xac", "victim.db\" \"-x!victim.db",
};
const std::vector<std::string> kDirectoryOnlyNames = {"semi;colon", "x; touch X"};

std::vector<std::string> directoryNames() {
  std::vector<std::string> names = kFileAndDirectoryNames;
  names.insert(names.end(), kDirectoryOnlyNames.begin(), kDirectoryOnlyNames.end());
  return names;
}

// base/P is the directory worked in, base/root the ORYX_ROOT with an empty
// staging directory; base/outside and the neighbours in P must never change
// (P/victim.db is what the last name would trick 7za into excluding).
struct Layout {
  TempDir base;
  std::string parent = base.file("P");
  EnvGuard root{"ORYX_ROOT", base.file("root").c_str()};
  const std::string startDir = workingDirectory();

  Layout() {
    makeEntries(base, {"P/", "root/", "root/var/", "root/var/tmp/", "outside/", "outside/keep", "P/keep.dat",
                       "P/plain.txt", "P/victim.db"});
  }
  std::string in(const std::string& entry) const { return parent + "/" + entry; }
  void makeSubdirectory(const std::string& name) const {
    ::mkdir(in(name).c_str(), 0755);
    writeFile(in(name) + "/f", "f");
    ::mkdir((in(name) + "/deep").c_str(), 0755);
    writeFile(in(name) + "/deep/g", "g");
  }
  Tree tree() const { return snapshot(base.path()); }
};

// The stored names of a subdirectory packed under its own name.
Names subdirectoryEntries(const std::string& name) {
  Names entries = {name, name + "/deep", name + "/deep/g", name + "/f"};
  std::sort(entries.begin(), entries.end());
  return entries;
}

// One packing run: the result, the archive (tested and listed), and the
// whole tree apart from the archive and the packed entries unchanged.
void expectPacked(const Layout& layout, const Tree& before, int result, const std::string& archive,
                  Names entries, const Names& packed, bool packedStay) {
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(archiveTestsOk(layout.in(archive)));
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(zipEntryNames(layout.in(archive)), entries);
  const Tree after = layout.tree();
  Names touched = {"P/" + archive};
  for (const std::string& name : packed) {
    touched.push_back("P/" + name);
    EXPECT_EQ(exists(layout.in(name)), packedStay) << "P/" << name;
  }
  // The staging directory, base/root/var/tmp, stays in this comparison: it
  // must be empty again.
  EXPECT_EQ(without(after, touched), without(before, touched));
  EXPECT_EQ(workingDirectory(), layout.startDir);
  ::unlink(layout.in(archive).c_str());
}

// Printable test names: the index and the name's letters and digits.
std::string caseName(const testing::TestParamInfo<std::string>& info) {
  std::string text = "n" + std::to_string(info.index) + "_";
  for (char c : info.param.substr(0, 12)) text += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return text;
}

class HardNames : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!haveSevenZip()) GTEST_SKIP() << "7za is not on PATH (Debian package p7zip-full); the real archiver is needed";
  }
};

using HardNamesAsDirectories = HardNames;
using HardNamesAsFiles = HardNames;

}  // namespace

TEST_P(HardNamesAsDirectories, PackedLiterallyAndOnlyTheSubdirectoryIsRemoved) {
  const std::string& name = GetParam();
  Layout layout;
  layout.makeSubdirectory(name);
  const char* parent = layout.parent.c_str();

  Tree before = layout.tree();
  int result = oRYXFileUtil::zipSpecificDir(parent, name.c_str(), "x", false, "UTF-8");
  expectPacked(layout, before, result, "x.zip", subdirectoryEntries(name), {name}, true);

  before = layout.tree();
  result = oRYXFileUtil::zipSpecificDir(parent, name.c_str(), "x", true, "UTF-8");
  expectPacked(layout, before, result, "x.zip", subdirectoryEntries(name), {name}, false);

  // zipAllSubDir names the archive after the subdirectory: a 255-byte name
  // leaves no room for ".zip", so that one fails before anything happens.
  layout.makeSubdirectory(name);
  before = layout.tree();
  result = oRYXFileUtil::zipAllSubDir(parent, true, "UTF-8");
  if (name.size() + 4 > 255) {
    EXPECT_EQ(result, -1);
    EXPECT_EQ(layout.tree(), before);
  } else {
    expectPacked(layout, before, result, name + ".zip", subdirectoryEntries(name), {name}, false);
  }
}

TEST_P(HardNamesAsFiles, PackedLiterallyAloneAndInAListThenDeleted) {
  const std::string& name = GetParam();
  Layout layout;
  const char* parent = layout.parent.c_str();

  writeFile(layout.in(name), "data");
  Tree before = layout.tree();
  int result = oRYXFileUtil::zipSpecificFile(parent, name.c_str(), "x", 0, "UTF-8");
  expectPacked(layout, before, result, "x.zip", {name}, {name}, false);

  writeFile(layout.in(name), "data");
  before = layout.tree();
  result = oRYXFileUtil::zipSpecificFile(parent, ("plain.txt;" + name).c_str(), "x", 0, "UTF-8");
  expectPacked(layout, before, result, "x.zip", {"plain.txt", name}, {"plain.txt", name}, false);

  // Named after the file: the name up to its last ".".
  writeFile(layout.in(name), "data");
  before = layout.tree();
  const std::string archive = name.substr(0, name.rfind('.')) + ".zip";
  result = oRYXFileUtil::zipSpecificFile(parent, name.c_str(), "", 0, "UTF-8");
  if (archive.size() > 255) {
    EXPECT_EQ(result, -1);
    EXPECT_EQ(layout.tree(), before);
  } else {
    expectPacked(layout, before, result, archive, {name}, {name}, false);
  }
}

INSTANTIATE_TEST_SUITE_P(RealArchiver, HardNamesAsDirectories, testing::ValuesIn(directoryNames()), caseName);
INSTANTIATE_TEST_SUITE_P(RealArchiver, HardNamesAsFiles, testing::ValuesIn(kFileAndDirectoryNames), caseName);
