// SPDX-License-Identifier: Apache-2.0
// Export in part files: a CSV export of 250 records spread over parts of
// 100 records each (report-1.csv, report-2.csv, report-3.csv), with the
// safer options on: quoted titles and formula guarding for spreadsheets.
// Usage: oryx-example-export OUTPUT_DIR
#include <oryxutil/oryxutil.h>

#include <cstdio>
#include <list>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  oryx::WriterOptions options;
  options.quoteTitles = true;   // "City","Note" instead of City,Note
  options.formulaGuard = true;  // a field such as =SUM(A1) cannot run as a formula
  FormatFile* csv = FormatFileFactory::getFormatFile("csv", {}, options);
  if (csv == nullptr) {
    std::fprintf(stderr, "no csv writer\n");
    return 1;
  }
  // The wrapper owns the writer (ownsInner true) and deletes it with itself.
  MultiFormatFile parts(csv, 100, true);
  if (parts.writeColumnTitle({"City", "Note"}, {}) != 0) return 1;
  // Missing directory levels of the path are created.
  const std::string path = std::string(argv[1]) + "/parts/report.csv";
  if (parts.startDocument(path.c_str()) != 0) {
    std::fprintf(stderr, "cannot start %s\n", path.c_str());
    return 1;
  }
  for (int i = 1; i <= 250; ++i) {
    const std::vector<std::string> record = {"City " + std::to_string(i), i == 7 ? "=SUM(A1)" : "ok"};
    if (parts.writeRecord(record) != 0) {
      std::fprintf(stderr, "record %d not written\n", i);
      return 1;
    }
  }
  // The list form of endDocument names the part files written.
  std::list<std::string> files;
  if (parts.endDocument(files) != 0) return 1;
  for (const std::string& file : files) std::printf("wrote %s\n", file.c_str());
  return files.size() == 3 ? 0 : 1;
}
