// SPDX-License-Identifier: Apache-2.0
// A fuzzed record written by the CSV writer and read back by libcsv (an
// RFC 4180 reader) gives the same fields, each cut at its first zero byte.
#include "oryxutil/export/FormatFile.h"

#include <csv.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Rows {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> current;
};

void onField(void* data, size_t size, void* rows) {
  static_cast<Rows*>(rows)->current.emplace_back(static_cast<const char*>(data), size);
}

void onRow(int, void* rows) {
  Rows* r = static_cast<Rows*>(rows);
  r->rows.push_back(std::move(r->current));
  r->current.clear();
}

int keepBlanks(unsigned char) { return 0; }  // blanks are field content

std::string scratchFile() {
  static const std::string name = "/tmp/oryx-fuzz-csv-" + std::to_string(::getpid()) + ".csv";
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Fields are separated by the byte 0xFF in the input.
  std::vector<std::string> record(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF) record.emplace_back();
    else record.back() += static_cast<char>(data[i]);
  }
  std::unique_ptr<FormatFile> csv(FormatFileFactory::getFormatFile("csv", {}));
  csv->writeColumnTitle({"t"}, {});
  if (csv->startDocument(scratchFile().c_str()) != 0) std::abort();
  if (csv->writeRecord(record) != 0) std::abort();
  if (csv->endDocument() != 0) std::abort();

  std::ifstream in(scratchFile(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  struct csv_parser parser;
  csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
  csv_set_space_func(&parser, keepBlanks);
  Rows rows;
  if (csv_parse(&parser, bytes.data(), bytes.size(), onField, onRow, &rows) != bytes.size()) std::abort();
  if (csv_fini(&parser, onField, onRow, &rows) != 0) std::abort();
  csv_free(&parser);

  std::vector<std::string> expected;
  for (const std::string& field : record) expected.push_back(field.substr(0, field.find('\0')));
  // A record of one unquoted empty field is an empty line, which readers skip.
  const bool emptyLine = bytes == "t\n\n";
  if (rows.rows.size() != (emptyLine ? 1u : 2u)) std::abort();
  if (rows.rows[0] != std::vector<std::string>{"t"}) std::abort();
  if (!emptyLine && rows.rows[1] != expected) std::abort();
  return 0;
}
