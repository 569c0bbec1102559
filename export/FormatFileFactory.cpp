// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/export/FormatFile.h"

#include "companion/trace/Report.h"
#include "export/DocumentWriter.h"

#include <memory>
#include <string>

// Each writer's maker, defined beside the writer: a new writer owned by the
// caller, or null for parameters the writer cannot use.
using WriterMaker = std::unique_ptr<FormatFile> (*)(const std::list<std::string>& params,
                                                    const oryx::WriterOptions& options);
std::unique_ptr<FormatFile> makeCsvWriter(const std::list<std::string>&, const oryx::WriterOptions&);
std::unique_ptr<FormatFile> makeXmlWriter(const std::list<std::string>&, const oryx::WriterOptions&);
std::unique_ptr<FormatFile> makeHtmlWriter(const std::list<std::string>&, const oryx::WriterOptions&);
std::unique_ptr<FormatFile> makeTxtWriter(const std::list<std::string>&, const oryx::WriterOptions&);
std::unique_ptr<FormatFile> makeXlsxWriter(const std::list<std::string>&, const oryx::WriterOptions&);
std::unique_ptr<FormatFile> makeJsonWriter(const std::list<std::string>&, const oryx::WriterOptions&);
std::unique_ptr<FormatFile> makeNdjsonWriter(const std::list<std::string>&, const oryx::WriterOptions&);

namespace {

struct WriterType {
  const char* name;  // lower case; matched in any ASCII case
  WriterMaker make;
};

// The writers by type name, in the order names are compared.
const WriterType kWriterTypes[] = {
    {"csv", makeCsvWriter},
    {"xml", makeXmlWriter},
    {"html", makeHtmlWriter},
    {"txt", makeTxtWriter},
    {"xlsx", makeXlsxWriter},
    {"json", makeJsonWriter},
    {"ndjson", makeNdjsonWriter},
};

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

namespace oryx {

std::unique_ptr<FormatFile> makeWriter(const char* type, const std::list<std::string>& params,
                                       const WriterOptions& options) {
  if (type == nullptr) {
    keepReason("makeWriter: the type is null");
    return nullptr;
  }
  for (const WriterType& writer : kWriterTypes) {
    if (!equalsIgnoringAsciiCase(type, writer.name)) continue;
    std::unique_ptr<FormatFile> made = writer.make(params, options);
    if (!made) keepReason(std::string("makeWriter: parameters the \"") + writer.name + "\" writer cannot use");
    if (auto* document = dynamic_cast<DocumentWriter*>(made.get())) document->setOutputOptions(options);
    return made;
  }
  keepReason(std::string("makeWriter: unknown writer type \"") + type + "\"");
  return nullptr;
}

}  // namespace oryx

FormatFile* FormatFileFactory::getFormatFile(const char* type, const std::list<std::string>& params) {
  return oryx::makeWriter(type, params, oryx::WriterOptions()).release();
}

FormatFile* FormatFileFactory::getFormatFile(const char* type, const std::list<std::string>& params,
                                             const oryx::WriterOptions& options) {
  return oryx::makeWriter(type, params, options).release();
}
