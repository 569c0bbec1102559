// SPDX-License-Identifier: Apache-2.0
// A fuzzed record written by the XML writer is a well-formed document for
// libxml2's parser, and each column's text comes back: the field cut at zero
// bytes between escaped bytes, every line feed followed by 0x7F, then the
// parser's own CR normalisation. Inputs holding bytes that XML 1.0 forbids
// (the writer passes them through by design) or invalid UTF-8 are skipped.
#include "oryxutil/export/FormatFile.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const size_t kColumns = 4;

std::string scratchFile() {
  static const std::string name = "/tmp/oryx-fuzz-xml-" + std::to_string(::getpid()) + ".xml";
  return name;
}

// Valid UTF-8 of XML characters only (zero bytes allowed: the writer cuts them).
bool acceptable(const std::string& field) {
  const auto* p = reinterpret_cast<const unsigned char*>(field.data());
  const size_t n = field.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      if (c != 0 && c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
      ++i;
      continue;
    }
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length == 0 || c > 0xF4 || i + length > n) return false;
    uint32_t code = c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[i + k] & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        code == 0xFFFE || code == 0xFFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

// What the parser should give back for `field`.
std::string expectedText(const std::string& field) {
  std::string written;
  bool cut = false;  // inside a piece cut by a zero byte
  for (char c : field) {
    const bool escaped = c == '&' || c == '<' || c == '>' || c == '"' || c == '\'' || c == '\n';
    if (escaped) cut = false;
    if (c == '\0') cut = true;
    if (cut) continue;
    written += c;
    if (c == '\n') written += '\x7F';
  }
  std::string parsed;
  for (size_t i = 0; i < written.size(); ++i) {
    if (written[i] == '\r') {
      parsed += '\n';
      if (i + 1 < written.size() && written[i + 1] == '\n') ++i;
    } else {
      parsed += written[i];
    }
  }
  return parsed;
}

std::string textOf(xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ::unsetenv("ORYX_GLOBAL_VERSION");
  ::unsetenv("FILECONTENT_LOCAL_CHARSET");
  // Fields are separated by the byte 0xFF, at most one per column.
  std::vector<std::string> record(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF) record.emplace_back();
    else record.back() += static_cast<char>(data[i]);
  }
  if (record.size() > kColumns) return 0;
  for (const std::string& field : record) {
    if (!acceptable(field)) return 0;
  }

  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"E", "R"}));
  xml->writeColumnTitle({"c0", "c1", "c2", "c3"}, {});
  if (xml->startDocument(scratchFile().c_str()) != 0) std::abort();
  if (xml->writeRecord(record) != 0) std::abort();
  if (xml->endDocument() != 0) std::abort();

  xmlDoc* doc = xmlReadFile(scratchFile().c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR |
                                                                XML_PARSE_NOWARNING);
  if (doc == nullptr) std::abort();  // not well-formed
  xmlNode* root = xmlDocGetRootElement(doc);
  xmlNode* row = root ? xmlFirstElementChild(root) : nullptr;
  if (row == nullptr || xmlStrcmp(row->name, BAD_CAST "Record") != 0) std::abort();
  size_t column = 0;
  for (xmlNode* cell = xmlFirstElementChild(row); cell != nullptr; cell = xmlNextElementSibling(cell)) {
    const std::string expected = column < record.size() ? expectedText(record[column]) : "";
    if (textOf(cell) != expected) std::abort();
    ++column;
  }
  if (column != kColumns) std::abort();
  xmlFreeDoc(doc);
  return 0;
}
