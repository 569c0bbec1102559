// SPDX-License-Identifier: Apache-2.0
// tao.cfg is read as ACE's INI importer reads it, checked against that
// importer on a table of tricky files; only a regular file of at most
// 4 MiB is read, and anything else fails at once.
#include "TaoCfgFixture.h"

#include "companion/ResultCodes.h"
#include "companion/io/ConfigFile.h"
#include "orbcfg/CfgImport.h"

#include <ace/Configuration_Import_Export.h>

#include <sys/stat.h>

namespace {

const std::pair<const char*, const char*> kKeys[] = {
    {"NameService", "hostname"}, {"NameService", "port"}, {"NameService", "ListenIpAddrs"},
    {"Debug", "DebugLevel"},     {"ORB", "orbext"},       {"X", "k"},
    {"a\\b", "k"},               {"a/b", "k"}};

// Whether the import worked and every value of kKeys ("-" when absent):
// from `others` first (our importer's values ACE's heap cannot hold), else the heap.
std::string view(bool imported, ACE_Configuration_Heap& heap, const oryx::IniValues* others = nullptr) {
  std::string view = imported ? "ok" : "failed";
  for (const auto& [name, key] : kKeys) {
    ACE_Configuration_Section_Key section;
    ACE_TString value;
    const std::string* other = others != nullptr ? others->find(name, key) : nullptr;
    if (other != nullptr) view += "|" + *other;
    else if (heap.open_section(heap.root_section(), name, 0, section) == 0 && heap.get_string_value(section, key, value) == 0)
      view += std::string("|") + value.c_str();
    else view += "|-";
  }
  return view;
}

TEST_F(TaoCfgTest, EveryLineReadsAsAcesImporterReadsIt) {
  const std::string longValue(5000, 'v');
  const std::string pieceTail = "[NameService]\nhostname=" + std::string(4095 - 9, 'h') + "port=3\n";
  const std::string cases[] = {
      "[NameService]\n  hostname =  h1  \r\n\tport\t=\v2\f\n",
      "; c\n  # c\n[NameService]\nport=1 ; kept\nhostname=\"  q  \"\nListenIpAddrs=\"\n",
      "[ORB]\norbext=x=y=z\n[X]\nk=\"open\n[NameService]\nhostname=a\nhostname=b\n[ORB]\norbext=2",
      "[NameService]\nport=1\n[]\nport=5\n[/NameService/]\nhostname=6\n[a/b]\nk=7\n",
      "[NameService/sub]\nport=7\n[ NameService ]\nport=8\n[Debug] tail\nDebugLevel=9\n",
      "[NameService]\nport=1\0junk\n=empty key\n" + std::string("[X]\nk=\"\"\n"),
      "hostname=x\n[NameService]\nport=1\n",
      "[NameService]\nport=1\nno equals\nhostname=h\n",
      "[NameService\nport=1\n",
      "[Name]Service]\nport=1\n",
      "[NameService]\nport=1\na[b]=2\n",
      "[NameService]\n" + std::string(256, 'k') + "=1\n",
      "[" + std::string(256, 's') + "]\nport=1\n",
      "[NameService]\nport=" + longValue + "\n",
      pieceTail,
  };
  for (const std::string& text : cases) {
    writeCfg(text);
    ACE_Configuration_Heap aces, ours;
    aces.open(16);
    ours.open(16);
    ACE_Ini_ImpExp importer(aces);
    oryx::IniValues others;
    EXPECT_EQ(view(importer.import_config(cfgPath().c_str()) == 0, aces),
              view(oryx::importIniFile(ours, others, cfgPath().c_str()) == oryx::kOk, ours, &others))
        << text.substr(0, 80);
  }
}

TEST_F(TaoCfgTest, OnlyARegularFileUpToTheLimitIsReadAnythingElseFailsAtOnce) {
  ::mkfifo(dir.file("fifo.cfg").c_str(), 0600);
  ::mkdir(dir.file("dir.cfg").c_str(), 0700);
  std::string big = "[X]\n";
  big.resize(oryx::kMaxConfigFileBytes, '#');
  oryxtest::writeFile(dir.file("limit.cfg"), big);
  oryxtest::writeFile(dir.file("over.cfg"), big + "\n");
  const std::pair<std::string, bool> cases[] = {{dir.file("limit.cfg"), true},
                                                {dir.file("over.cfg"), false},
                                                {dir.file("fifo.cfg"), false},
                                                {dir.file("dir.cfg"), false},
                                                {"/dev/zero", false}};
  for (const auto& [path, loads] : cases) {
    oRYX_Tao_Cfg cfg(path.c_str());
    EXPECT_EQ(loads, words(cfg.TAO_init(argv, "1", "")) != kNull) << path;
    // The SSL service configuration: what cannot be read counts as half security.
    EXPECT_EQ(!loads, cfg.isHalfSecurity(path.c_str(), false)) << path;
  }
}

}  // namespace
