// SPDX-License-Identifier: Apache-2.0
#include "TaoCfgCheck.h"

#include "ConfigRead.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace oryxtool {

namespace {

const char kBlanks[] = " \t\r\n";
const size_t kMaxLine = 4095;  // the INI reader's line buffer, less its terminator
const char* const kSwitches[][2] = {{"NameService", "ListenAllIp"}, {"NameService", "ssl"}, {"ORB", "UseIp"}};

std::string trim(const std::string& text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool allDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

bool TaoCfgCheck::read(const std::string& path) {
  std::string content;
  if (!readConfig(path, content)) return false;
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);  // the library skips it too
  long line = 1;
  for (size_t start = 0; start < content.size(); ++line) {
    const size_t end = content.find('\n', start);
    scanLine(content.substr(start, end == std::string::npos ? std::string::npos : end - start), line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return true;
}

void TaoCfgCheck::scanLine(std::string text, long line) {
  if (text.find('\0') != std::string::npos) {
    m_syntax.push_back({line, "NUL byte: this is not a text file"});
    return;
  }
  if (text.size() > kMaxLine) {
    m_syntax.push_back({line, "line longer than 4095 characters: the INI reader cuts it"});
    return;
  }
  text = trim(text);
  if (text.empty() || text[0] == ';' || text[0] == '#') return;
  if (text[0] == '[') {
    const size_t close = text.rfind(']');
    if (close == std::string::npos) {
      m_syntax.push_back({line, "section header without ']'"});
      return;
    }
    m_section = text.substr(1, close - 1);
    m_inSection = !m_section.empty();
    if (!m_inSection) m_syntax.push_back({line, "empty section name []"});
    m_sections.emplace(m_section, line);
    return;
  }
  const size_t equals = text.find('=');
  if (equals == std::string::npos) {
    m_syntax.push_back({line, "neither [section] nor key=value"});
    return;
  }
  if (!m_inSection) {
    m_syntax.push_back({line, "key=value before any [section]"});
    return;
  }
  std::string value = trim(text.substr(equals + 1));
  if (!value.empty() && value.front() == '"' && value.back() == '"') {
    value = value.size() >= 2 ? value.substr(1, value.size() - 2) : "";
  }
  m_settings[{m_section, trim(text.substr(0, equals))}] = {value, line};
}

const TaoCfgCheck::Setting* TaoCfgCheck::find(const std::string& section, const std::string& key) const {
  const auto it = m_settings.find({section, key});
  return it == m_settings.end() ? nullptr : &it->second;
}

bool TaoCfgCheck::sslEnabled() const {
  const Setting* ssl = find("NameService", "ssl");
  return ssl != nullptr && ssl->value == "enable";
}

void TaoCfgCheck::checkPort(const char* key, bool required, std::vector<CfgFinding>& out) const {
  const std::string because = std::strcmp(key, "sslport") == 0 ? " but ssl is enabled" : "";
  const Setting* port = find("NameService", key);
  const auto section = m_sections.find("NameService");
  const long sectionLine = section == m_sections.end() ? 0 : section->second;
  if (port == nullptr) {
    if (required) out.push_back({sectionLine, std::string("[NameService] has no ") + key + because});
  } else if (port->value.empty()) {
    if (required) out.push_back({port->line, std::string(key) + " is empty" + because});
  } else if (!allDigits(port->value) || port->value.size() > 5 || std::stol(port->value) < 1 ||
             std::stol(port->value) > 65535) {
    out.push_back({port->line, std::string(key) + " is not a port number (1-65535): " + port->value});
  }
}

std::vector<CfgFinding> TaoCfgCheck::settingProblems() const {
  std::vector<CfgFinding> out;
  if (m_sections.count("NameService") == 0) {
    out.push_back({0, "no [NameService] section: the naming service reference gets an empty port"});
  } else {
    checkPort("port", true, out);
    checkPort("sslport", sslEnabled(), out);
  }
  for (const auto& entry : kSwitches) {
    const Setting* setting = find(entry[0], entry[1]);
    if (setting != nullptr && !setting->value.empty() && setting->value != "enable" && setting->value != "disable") {
      out.push_back({setting->line, std::string(entry[1]) + " is neither enable nor disable (counts as off): " +
                                        setting->value});
    }
  }
  const Setting* debug = find("Debug", "DebugLevel");
  if (debug != nullptr && !debug->value.empty() && !allDigits(debug->value)) {
    out.push_back({debug->line, "DebugLevel is not a number: " + debug->value});
  }
  return out;
}

}  // namespace oryxtool
