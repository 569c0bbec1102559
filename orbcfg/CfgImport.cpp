// SPDX-License-Identifier: Apache-2.0
#include "orbcfg/CfgImport.h"

#include "companion/ResultCodes.h"
#include "companion/io/ConfigFile.h"
#include "companion/os/NativePath.h"
#include "orbcfg/IniText.h"

#include <cstring>

namespace oryx {

namespace {

// The keys the ORB arguments are built from: these live in the store.
struct StoredKey {
  const char* section;
  const char* key;
};
const StoredKey kStoredKeys[] = {
    {"NameService", "hostname"}, {"NameService", "port"},      {"NameService", "ListenAllIp"},
    {"NameService", "ListenIpAddrs"}, {"NameService", "sslport"}, {"NameService", "ssl"},
    {"Debug", "DebugLevel"},     {"ORB", "UseIp"},             {"ORB", "orbext"}};
const size_t kStoredKeyCount = sizeof(kStoredKeys) / sizeof(kStoredKeys[0]);

// The index of a stored key, or kStoredKeyCount for any other key.
size_t storedKeyIndex(const std::string& section, const std::string& key) {
  for (size_t i = 0; i < kStoredKeyCount; ++i) {
    if (section == kStoredKeys[i].section && key == kStoredKeys[i].key) return i;
  }
  return kStoredKeyCount;
}

// Each stored key's last value; false for a key the file does not give.
struct StoredValues {
  bool given[kStoredKeyCount] = {};
  std::string value[kStoredKeyCount];
};

int putInStore(ACE_Configuration_Heap& store, const StoredValues& values) {
  int result = kOk;
  for (size_t i = 0; i < kStoredKeyCount; ++i) {
    if (!values.given[i]) continue;
    ACE_Configuration_Section_Key section;
    if (store.open_section(store.root_section(), kStoredKeys[i].section, 1, section) != 0 ||
        store.set_string_value(section, kStoredKeys[i].key,
                               ACE_TString(values.value[i].c_str(), values.value[i].size())) != 0) {
      result = kFailed;
    }
  }
  return result;
}

}  // namespace

std::string IniValues::indexKey(const char* section, const char* key) {
  // A line feed ends every line of the file, so no section or key holds one.
  std::string joined(section);
  joined += '\n';
  joined += key;
  return joined;
}

void IniValues::set(const std::string& section, const std::string& key, std::string&& value) {
  m_values[indexKey(section.c_str(), key.c_str())] = std::move(value);
}

const std::string* IniValues::find(const char* section, const char* key) const {
  const auto found = m_values.find(indexKey(section, key));
  return found == m_values.end() ? nullptr : &found->second;
}

int importIniFile(ACE_Configuration_Heap& store, IniValues& others, const char* path) {
  if (path == nullptr) return kFailed;
  std::string text;
  if (!readConfigFile(nativePath(std::string(path)), ConfigAccess::kRead, text)) return kFailed;
  StoredValues stored;
  const int read = readIniText(text, [&](const std::string& section, const std::string& key,
                                         std::string&& value) {
    const size_t index = storedKeyIndex(section, key);
    if (index == kStoredKeyCount) {
      others.set(section, key, std::move(value));
    } else {
      stored.given[index] = true;
      stored.value[index] = std::move(value);
    }
  });
  const int putResult = putInStore(store, stored);
  return read == kOk ? putResult : kFailed;
}

}  // namespace oryx
