// SPDX-License-Identifier: Apache-2.0
// Peak memory of the txt writer's UTF-8 mode for one huge field in a narrow
// column, to be read from /usr/bin/time -v:
//   /usr/bin/time -v txt_peak_memory MIB WIDTH legacy|terminal ascii|mixed OUT
// "mixed" text holds wide, combining and control characters and malformed
// bytes (what a cell must be repaired or rewritten for). The field itself
// takes MIB MiB of the peak; the writer should add no more than a small
// multiple of it. Prints the field's size and the output's size.
#include "oryxutil/export/FormatFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s MIB WIDTH legacy|terminal ascii|mixed OUT\n", argv[0]);
    return 2;
  }
  const size_t bytes = std::strtoull(argv[1], nullptr, 10) << 20;
  const long width = std::strtol(argv[2], nullptr, 10);
  oryx::WriterOptions options;
  options.terminalWidths = std::strcmp(argv[3], "terminal") == 0;
  const std::string unit = std::strcmp(argv[4], "mixed") == 0
                               ? "ab\xE4\xB8\xAD" "e\xCC\x81\x1B\t\xF0\x9F\x98\x80\xC3" "A"
                               : "abcdefghijklmnop";
  std::vector<std::string> record(2);
  record[0].reserve(bytes);
  while (record[0].size() + unit.size() <= bytes) record[0] += unit;
  record[1] = "x";

  std::unique_ptr<FormatFile> txt(FormatFileFactory::getFormatFile("txt", {}, options));
  if (txt->writeColumnTitle({"field", "x"}, "UTF-8", {width, 1}) != 0) return 1;
  if (txt->startDocument(argv[5]) != 0) return 1;
  if (txt->writeRecord(record) != 0) return 1;
  if (txt->endDocument() != 0) return 1;
  std::printf("field %zu bytes\n", record[0].size());
  return 0;
}
