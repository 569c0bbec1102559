// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORBCFG_TAOCFG_H
#define ORYXUTIL_ORBCFG_TAOCFG_H

// Builds the command-line argument vector of the TAO ORB from tao.cfg.
// tao.cfg is imported at most once per object (the first successful
// TAO_init); later changes to the file are seen only by a new object. Only
// a regular file of at most 4 MiB is read; the import takes time linear in
// its size.
// Results: TAO_init returns a new vector that the caller owns and deletes,
// or null when tao.cfg cannot be loaded, ORYX_CONFIG_PATH / ORYX_ROOT is
// unset or empty, or a word would not come out whole: a setting's value or
// one of the caller's words holding a quote that ACE's splitter finds
// unclosed (it would drop that word and every later one). The last case
// writes one warning line to stderr naming the setting or the word; balanced
// quotes group words as ACE's splitter does. Otherwise the only output is
// the debug echo on stdout when ORYX_TAO_DEBUG_WREN is exactly "1".
// Not thread-safe: one thread at a time per object.

#include "oryxutil/Visibility.h"

#include <ace/ARGV.h>
#include <ace/Configuration.h>
#include <ace/SString.h>

#include <memory>
#include <string>

namespace oryx {
class IniValues;
}

class ORYXUTIL_EXPORT oRYX_Tao_Cfg {
 public:
  // `cfgFile`: path of tao.cfg; null, or 200 characters and more, select the
  // default "$ORYX_ROOT/etc/conf/tao.cfg", which is used literally.
  explicit oRYX_Tao_Cfg(const char* cfgFile);
  ~oRYX_Tao_Cfg();
  oRYX_Tao_Cfg(const oRYX_Tao_Cfg&) = delete;
  oRYX_Tao_Cfg& operator=(const oRYX_Tao_Cfg&) = delete;

  // The value of `key` in `section` of the loaded file, "" when either is
  // missing or nothing has been loaded yet. A missing section is created,
  // empty, in memory only; the file is never written.
  ACE_String_Base<char> getparam(const ACE_String_Base<char>* section,
                                 const ACE_String_Base<char>* key);

  // True when the SSL service configuration still accepts unprotected IIOP:
  // `assumeHalf`, a file that cannot be opened, or a file that mentions
  // "-SSLNoProtection" anywhere (read in pieces of at most 1022 bytes).
  bool isHalfSecurity(const ACE_String_Base<char>& svcConfFile, bool assumeHalf);

  // `argv`: the caller's own vector (null-terminated) or null; its words come
  // first. `listenPort`: own IIOP port as text, null for no endpoint option.
  // `svcConfName`: service configuration file below $ORYX_CONFIG_PATH,
  // "" for "svc.conf".
  ACE_ARGV_T<char>* TAO_init(char** const argv, const char* listenPort, std::string svcConfName);

  // With [NameService] ssl "enable": SSL mode, `svcConfName` "" for
  // "svc_ssl.conf" (half security assumed), `listenPort` 0 for no endpoint
  // option. Otherwise the text-port form with `listenPort` and "svc.conf".
  ACE_ARGV_T<char>* TAO_init(char** const argv, int listenPort, const std::string& svcConfName,
                             int sslListenPort);

 private:
  int Initalize();
  void ParseNameService();
  void ParseDebug();
  void ParseORB();
  std::string getListenpara(const char* listenPort);
  std::string getListenpara(int listenPort, int sslListenPort, bool withSsl);

  ACE_Configuration_Heap m_cfgHeap;
  char m_cfgFile[200];
  ACE_String_Base<char> m_nsHost;
  ACE_String_Base<char> m_nsPort;
  ACE_String_Base<char> m_debugLevel;
  ACE_String_Base<char> m_useIp;
  ACE_String_Base<char> m_listenAllIp;
  ACE_String_Base<char> m_listenIpAddrs;
  ACE_String_Base<char> m_nsSslPort;
  ACE_String_Base<char> m_ssl;
  bool m_loaded;
  bool m_heapOpened;
  // The keys of the file that are not in m_cfgHeap (getparam reads both).
  std::unique_ptr<oryx::IniValues> m_otherValues;
};

#endif
