// SPDX-License-Identifier: Apache-2.0
// oRYX_Tao_Cfg: construction, loading tao.cfg and reading its settings.
#include "oryxutil/orbcfg/TaoCfg.h"

#include "companion/ResultCodes.h"
#include "orbcfg/CfgImport.h"

#include <cstring>

namespace {

// Section map size of the in-memory store that tao.cfg is imported into.
const int kSectionMapSize = 16;

// Used literally: nothing in the path is expanded.
const char kDefaultCfgFile[] = "$ORYX_ROOT/etc/conf/tao.cfg";

ACE_String_Base<char> valueOf(oRYX_Tao_Cfg& cfg, const char* section, const char* key) {
  const ACE_String_Base<char> s(section);
  const ACE_String_Base<char> k(key);
  return cfg.getparam(&s, &k);
}

}  // namespace

oRYX_Tao_Cfg::oRYX_Tao_Cfg(const char* cfgFile)
    : m_loaded(false), m_heapOpened(false), m_otherValues(new oryx::IniValues) {
  const size_t capacity = sizeof(m_cfgFile);
  // A path that does not fit is replaced by the default, never cut short.
  const char* chosen =
      (cfgFile != nullptr && ::strnlen(cfgFile, capacity) < capacity) ? cfgFile : kDefaultCfgFile;
  std::strncpy(m_cfgFile, chosen, capacity - 1);
  m_cfgFile[capacity - 1] = '\0';
}

oRYX_Tao_Cfg::~oRYX_Tao_Cfg() = default;

int oRYX_Tao_Cfg::Initalize() {
  if (m_loaded) return oryx::kOk;
  if (!m_heapOpened) {
    if (m_cfgHeap.open(kSectionMapSize) != 0) return oryx::kFailed;
    m_heapOpened = true;
  }
  // A failed import leaves the store open; the next call imports again into it.
  if (oryx::importIniFile(m_cfgHeap, *m_otherValues, m_cfgFile) != oryx::kOk) {
    return oryx::kFailed;
  }
  m_loaded = true;
  return oryx::kOk;
}

ACE_String_Base<char> oRYX_Tao_Cfg::getparam(const ACE_String_Base<char>* section,
                                            const ACE_String_Base<char>* key) {
  ACE_String_Base<char> value;
  // An unopened store has no root section to start from.
  if (section == nullptr || key == nullptr || !m_heapOpened) return value;
  ACE_Configuration_Section_Key sectionKey;
  if (m_cfgHeap.open_section(m_cfgHeap.root_section(), section->c_str(), 1, sectionKey) != 0) {
    return value;
  }
  ACE_String_Base<char> found;
  if (m_cfgHeap.get_string_value(sectionKey, key->c_str(), found) == 0) {
    value = found;
  } else if (const std::string* other = m_otherValues->find(section->c_str(), key->c_str())) {
    value = ACE_String_Base<char>(other->data(), other->size());
  }
  return value;
}

void oRYX_Tao_Cfg::ParseNameService() {
  m_nsHost = valueOf(*this, "NameService", "hostname");
  m_nsPort = valueOf(*this, "NameService", "port");
  m_listenAllIp = valueOf(*this, "NameService", "ListenAllIp");
  m_listenIpAddrs = valueOf(*this, "NameService", "ListenIpAddrs");
  m_nsSslPort = valueOf(*this, "NameService", "sslport");
  m_ssl = valueOf(*this, "NameService", "ssl");
}

void oRYX_Tao_Cfg::ParseDebug() { m_debugLevel = valueOf(*this, "Debug", "DebugLevel"); }

void oRYX_Tao_Cfg::ParseORB() { m_useIp = valueOf(*this, "ORB", "UseIp"); }
