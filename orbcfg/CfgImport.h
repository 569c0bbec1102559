// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORBCFG_CFGIMPORT_H
#define ORYXUTIL_ORBCFG_CFGIMPORT_H

// Imports tao.cfg (INI text read as ACE's INI importer reads it, see
// IniText.h) in time linear in its size. The keys that the ORB arguments
// are built from go into the configuration store; ACE's store pays per key
// for every key its section already holds, so every other key goes into a
// plain index that getparam consults after the store.
// The path is a product path (a backslash is a separator); only a regular
// file of at most kMaxConfigFileBytes is read (ConfigFile.h).
// Result: kOk, or kFailed when the file is missing, unreadable, not
// a regular file, too large or refused by the INI rules (the keys before the
// refused line are imported all the same).

#include <ace/Configuration.h>

#include <string>
#include <unordered_map>

namespace oryx {

// Keys of tao.cfg outside the store, by section path and name (exact case).
class IniValues {
 public:
  void set(const std::string& section, const std::string& key, std::string&& value);
  // Null when absent.
  const std::string* find(const char* section, const char* key) const;

 private:
  static std::string indexKey(const char* section, const char* key);
  std::unordered_map<std::string, std::string> m_values;
};

int importIniFile(ACE_Configuration_Heap& store, IniValues& others, const char* path);

}  // namespace oryx

#endif
