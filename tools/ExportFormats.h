// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_EXPORTFORMATS_H
#define ORYXUTIL_TOOLS_EXPORTFORMATS_H

// The formats oryx-export offers and the writer switches it exposes: one
// row each, so a new writer or switch is one more line here.

#include "oryxutil/export/WriterOptions.h"

namespace oryxtool {

struct ExportFormat {
  const char* name;     // the factory's type name, also the --format value
  const char* summary;  // for --help
  bool namedElements;   // takes --export-name and --record-name
  bool widths;          // takes --widths
  bool encoding;        // takes --encoding
  bool streams;         // can be written to standard output as it is made
};

const ExportFormat kFormats[] = {
    {"csv", "comma-separated values", false, false, false, true},
    {"html", "an HTML page with one table", false, true, false, true},
    {"xml", "one element per record", true, false, false, true},
    {"txt", "boxed fixed-width text", false, true, true, true},
    {"xlsx", "a spreadsheet workbook", false, true, false, false},
    {"json", "an array of JSON objects keyed by the titles", false, false, false, true},
    {"ndjson", "one JSON object a line", false, false, false, true},
};

struct WriterSwitch {
  const char* flag;
  bool oryx::WriterOptions::*option;
  const char* help;
};

const WriterSwitch kSwitches[] = {
    {"--bom", &oryx::WriterOptions::utf8Bom, "start a UTF-8 export with a byte-order mark"},
    {"--excel-safe", &oryx::WriterOptions::formulaGuard,
     "csv and html: a field or title starting with = + - @ tab or CR gets a leading ' so spreadsheets "
     "show it as text"},
    {"--numbers", &oryx::WriterOptions::numericCells, "xlsx, json, ndjson: plain decimal fields as numbers"},
};

// What the tool writes unless --legacy: markup escaped and the charset named
// in html, well-formed xml whatever the text, csv titles quoted like fields,
// txt laid out by the widths terminals draw.
// Each writer heeds only the switches that concern it.
inline oryx::WriterOptions safeWriterOptions() {
  oryx::WriterOptions options;
  options.escapeMarkup = true;
  options.declareCharset = true;
  options.xmlSafeText = true;
  options.quoteTitles = true;
  options.terminalWidths = true;
  return options;
}

}  // namespace oryxtool

#endif
