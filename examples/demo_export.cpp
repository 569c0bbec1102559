// SPDX-License-Identifier: Apache-2.0
// Exports a small sample table (with non-ASCII text) through the factory and
// prints where each file is. Usage: oryx-demo-export [OUTPUT_DIR]
#include <oryxutil/oryxutil.h>

#include <cstdio>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::list<std::string> kTitles = {"City", "Country", "Population", "Note"};
const std::vector<std::vector<std::string>> kRecords = {
    {"Zürich", "Switzerland", "421878", "on the Limmat"},
    {"東京", "日本", "13960000", "capital, \"Edo\" before 1868"},
    {"São Paulo", "Brasil", "12330000", "largest city of the\nsouthern hemisphere"},
    {"Kraków", "Polska", "779115", ""},
};

bool exportAs(const char* type, const std::list<std::string>& params, const std::string& path,
              const oryx::WriterOptions& options = {}) {
  std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(type, params, options));
  if (!writer) {
    std::fprintf(stderr, "no writer for %s\n", type);
    return false;
  }
  const std::list<long> widths = {12, 12, 10, 30};
  if (writer->writeColumnTitle(kTitles, "UTF-8", widths) != 0) return false;
  if (writer->startDocument(path.c_str()) != 0) return false;
  for (const auto& record : kRecords) {
    if (writer->writeRecord(record) != 0) return false;
  }
  if (writer->endDocument() != 0) return false;
  std::printf("%s export written to %s\n", type, path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  bool ok = exportAs("csv", {}, dir + "/cities.csv");
  ok = exportAs("xml", {"Cities", "Row"}, dir + "/cities.xml") && ok;
  ok = exportAs("html", {}, dir + "/cities.html") && ok;
  // Boxed text in UTF-8 mode: wide characters take two columns, so the frame
  // lines up in a terminal.
  ok = exportAs("txt", {}, dir + "/cities.txt") && ok;
  // A workbook whose population column holds numbers, not text.
  oryx::WriterOptions numbers;
  numbers.numericCells = true;
  ok = exportAs("xlsx", {}, dir + "/cities.xlsx", numbers) && ok;
  return ok ? 0 : 1;
}
