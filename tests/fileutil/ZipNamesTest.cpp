// SPDX-License-Identifier: Apache-2.0
// Every name reaches 7za literally: the real 7za packs each hard name as a
// subdirectory and as a file, and nothing but the named entries is packed,
// deleted or created (the staging directory included).
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

using namespace oryxtest;
using Names = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

namespace {

// The names every operation must pack literally. In a file list ";"
// separates names, so the names holding one are packed as subdirectories
// only.
const std::vector<std::string> kNames = {
    // Words 7za would read as switches or list files.
    "-sdel", "-p", "-pSECRET", "-r", "-x!*", "@list", "--", "victim.db\" \"-x!victim.db",
    // Words a shell would interpret.
    "quote\"d", "apos'trophe", "with blank", "$(touch X)", "`touch X`", "x | y", "x; touch X", "semi;colon",
    // Wildcards, variables and bytes that are no plain text.
    "star*", "q?mark", "%PATH%", "new\nline", "bad\xff\xfe", "Z\xc3\xbcrich \xe6\x97\xa5\xe6\x9c\xac",
    std::string(255, 'n')};

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

// One packing run: the result, the archive (tested and listed), the packed
// entries gone and the whole tree apart from them and the archive unchanged.
void expectPacked(const Layout& layout, const Tree& before, int result, const std::string& archive,
                  Names entries, const Names& packed) {
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(archiveTestsOk(layout.in(archive)));
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(zipEntryNames(layout.in(archive)), entries);
  const Tree after = layout.tree();
  Names touched = {"P/" + archive};
  for (const std::string& name : packed) {
    touched.push_back("P/" + name);
    EXPECT_FALSE(exists(layout.in(name))) << "P/" << name;
  }
  // The staging directory, base/root/var/tmp, stays in this comparison: it
  // must be empty again.
  EXPECT_EQ(without(after, touched), without(before, touched));
  EXPECT_EQ(workingDirectory(), layout.startDir);
  ::unlink(layout.in(archive).c_str());
}

// The fixture's own directories stay unused: Layout below is one tree.
class HardNames : public RealArchiver, public testing::WithParamInterface<std::string> {};

}  // namespace

TEST_P(HardNames, PackedLiterallyAsASubdirectoryAndAsAFileAndOnlyTheyAreRemoved) {
  const std::string& name = GetParam();
  const Names entries = {name, name + "/deep", name + "/deep/g", name + "/f"};
  Layout layout;
  const char* parent = layout.parent.c_str();
  // The subdirectory named, then every subdirectory packed under its own
  // name: a 255-byte name leaves no room for ".zip", so that one fails
  // before anything happens.
  layout.makeSubdirectory(name);
  Tree before = layout.tree();
  expectPacked(layout, before, oRYXFileUtil::zipSpecificDir(parent, name.c_str(), "x", true, "UTF-8"),
               "x.zip", entries, {name});
  layout.makeSubdirectory(name);
  before = layout.tree();
  const int all = oRYXFileUtil::zipAllSubDir(parent, true, "UTF-8");
  if (name.size() + 4 > 255) {
    EXPECT_EQ(all, -1);
    EXPECT_EQ(layout.tree(), before);
    std::filesystem::remove_all(layout.in(name));
  } else {
    expectPacked(layout, before, all, name + ".zip", entries, {name});
  }
  if (name.find(';') != std::string::npos) return;
  // As a file: alone, in a list, and named after the file (the name up to
  // its last ".").
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
    before = layout.tree();
    const int result = oRYXFileUtil::zipSpecificFile(parent, r.files.c_str(), r.zipName, 0, "UTF-8");
    if (r.archive.size() > 255) {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(layout.tree(), before);
    } else {
      expectPacked(layout, before, result, r.archive, r.packed, r.packed);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RealArchiver, HardNames, testing::ValuesIn(kNames));
