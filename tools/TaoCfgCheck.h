// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_TAOCFGCHECK_H
#define ORYXUTIL_TOOLS_TAOCFGCHECK_H

// Reads a tao.cfg as the library's INI import does (lines trimmed, ";" and
// "#" comment lines, [section] headers, key=value split at the first "=",
// a value in double quotes unquoted, a leading byte-order mark skipped) and
// says, with line numbers, what would go wrong: lines the import stops at,
// and settings that the argument building reads differently than meant.
// Not thread-safe.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace oryxtool {

struct CfgFinding {
  long line;  // 0: the file as a whole
  std::string message;
};

class TaoCfgCheck {
 public:
  // Reads and scans `path`; false with errno set when it cannot be read.
  bool read(const std::string& path);

  // Lines the INI import rejects, in file order (the import stops at the first).
  const std::vector<CfgFinding>& syntaxErrors() const { return m_syntax; }
  // Ports, switches, SSL and debug settings that are empty, malformed or inconsistent.
  std::vector<CfgFinding> settingProblems() const;
  // Whether [NameService] ssl is "enable".
  bool sslEnabled() const;

 private:
  struct Setting {
    std::string value;
    long line;
  };
  using Key = std::pair<std::string, std::string>;  // section, key

  void scanLine(std::string text, long line);
  const Setting* find(const std::string& section, const std::string& key) const;
  void checkPort(const char* key, bool required, std::vector<CfgFinding>& out) const;

  std::vector<CfgFinding> m_syntax;
  std::map<Key, Setting> m_settings;
  std::map<std::string, long> m_sections;  // first header line of each section
  std::string m_section;
  bool m_inSection = false;
};

}  // namespace oryxtool

#endif
