#include "oryxutil/export/FormatFile.h"

#include "export/CSVFormatFile.h"
#include "export/HTMLFormatFile.h"
#include "export/XMLFormatFile.h"
#include "export/TXTFormatFile.h"
#include "export/XLSXFormatFile.h"

namespace {

// Equal when the texts differ at most in the case of ASCII letters.
bool equalsIgnoringAsciiCase(const char* text, const char* lower) {
  for (; *text != '\0' && *lower != '\0'; ++text, ++lower) {
    char c = *text;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *lower) return false;
  }
  return *text == *lower;
}

}  // namespace

FormatFile* FormatFileFactory::getFormatFile(const char* type, const std::list<std::string>& params) {
  return getFormatFile(type, params, oryx::WriterOptions());
}

FormatFile* FormatFileFactory::getFormatFile(const char* type, const std::list<std::string>& params,
                                             const oryx::WriterOptions& options) {
  if (type == nullptr) return nullptr;
  if (equalsIgnoringAsciiCase(type, "csv")) return new CSVFormatFile(params, options);
  if (equalsIgnoringAsciiCase(type, "xml")) {
    // The export name and the record element name; further entries are not looked at.
    if (params.size() < 2) return nullptr;
    auto param = params.begin();
    const std::string& exportName = *param++;
    if (exportName.empty() || param->empty()) return nullptr;
    return new XMLFormatFile(params, options);
  }
  if (equalsIgnoringAsciiCase(type, "html")) return new HTMLFormatFile(params, options);
  if (equalsIgnoringAsciiCase(type, "txt")) return new TXTFormatFile(params, options);
  if (equalsIgnoringAsciiCase(type, "xlsx")) return new XLSXFormatFile(params, options);
  return nullptr;
}
