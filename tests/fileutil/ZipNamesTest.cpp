// SPDX-License-Identifier: Apache-2.0
// Every name reaches 7za literally: the real 7za packs each hard name as a
// subdirectory and as a file, and nothing but the named entries is packed,
// deleted or created (the staging directory included).
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Archives.h"
#include "fileutil/Files.h"

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
const std::vector<std::string> kDirectoryNames = [] {
  std::vector<std::string> names = kFileAndDirectoryNames;
  names.insert(names.end(), {"semi;colon", "x; touch X"});
  return names;
}();

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

// The fixture's own directories stay unused: Layout below is one tree.
class HardNames : public RealArchiver, public testing::WithParamInterface<std::string> {};

using HardNamesAsDirectories = HardNames;
using HardNamesAsFiles = HardNames;

}  // namespace

TEST_P(HardNamesAsDirectories, PackedLiterallyAndOnlyTheSubdirectoryIsRemoved) {
  const std::string& name = GetParam();
  const Names entries = {name, name + "/deep", name + "/deep/g", name + "/f"};
  Layout layout;
  const char* parent = layout.parent.c_str();
  // Kept, then removed, then every subdirectory packed under its own name:
  // a 255-byte name leaves no room for ".zip", so that one fails before
  // anything happens.
  for (int run = 0; run < 3; ++run) {
    if (run != 1) layout.makeSubdirectory(name);
    const Tree before = layout.tree();
    if (run == 2) {
      const int result = oRYXFileUtil::zipAllSubDir(parent, true, "UTF-8");
      if (name.size() + 4 > 255) {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(layout.tree(), before);
      } else {
        expectPacked(layout, before, result, name + ".zip", entries, {name}, false);
      }
    } else {
      const int result = oRYXFileUtil::zipSpecificDir(parent, name.c_str(), "x", run == 1, "UTF-8");
      expectPacked(layout, before, result, "x.zip", entries, {name}, run == 0);
    }
  }
}

TEST_P(HardNamesAsFiles, PackedLiterallyAloneAndInAListThenDeleted) {
  const std::string& name = GetParam();
  Layout layout;
  // Alone, in a list, and named after the file (the name up to its last ".").
  const std::string archive = name.substr(0, name.rfind('.')) + ".zip";
  const struct {
    std::string files;
    const char* zipName;
    std::string archive;
    Names packed;
  } kRuns[] = {{name, "x", "x.zip", {name}},
               {"plain.txt;" + name, "x", "x.zip", {"plain.txt", name}},
               {name, "", archive, {name}}};
  for (const auto& r : kRuns) {
    writeFile(layout.in(name), "data");
    const Tree before = layout.tree();
    const int result = oRYXFileUtil::zipSpecificFile(layout.parent.c_str(), r.files.c_str(), r.zipName, 0, "UTF-8");
    if (r.archive.size() > 255) {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(layout.tree(), before);
    } else {
      expectPacked(layout, before, result, r.archive, r.packed, r.packed, false);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RealArchiver, HardNamesAsDirectories, testing::ValuesIn(kDirectoryNames), caseName);
INSTANTIATE_TEST_SUITE_P(RealArchiver, HardNamesAsFiles, testing::ValuesIn(kFileAndDirectoryNames), caseName);
