// SPDX-License-Identifier: Apache-2.0
// HTML export of 1,000,000 records x 8 fields against a floor that writes
// the same precomputed bytes through one buffered stream (FloorStream).
// BM_Ratio runs the floor and the writer in alternating pairs and reports
// the median writer / floor; BM_OptionsRatio does the same for every writer
// option on against the defaults. Before the runs the writer's and the
// floor's files are compared byte for byte.
#include "oryxutil/export/FormatFile.h"

#include "bench/FloorStream.h"
#include "bench/PairedRatio.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kRecords = 1000000;
const std::string kWriterPath = oryxbench::benchDir() + "/oryx-bench-html-writer.html";
const std::string kFloorPath = oryxbench::benchDir() + "/oryx-bench-html-floor.html";
const std::list<std::string> kTitles = {"id", "name", "amount", "note", "city", "code", "text", "tail"};
const std::list<long> kWidths = {8, 20, 10, 20, 12, 6, 30, 12};

std::vector<std::vector<std::string>> makeRecords() {
  std::vector<std::vector<std::string>> records;
  for (int i = 0; i < 1000; ++i) {
    records.push_back({std::to_string(100000 + i), "plain text of the record", std::to_string(i * 37),
                       "a < b & c", "Z\xC3\xBCrich", i % 3 ? "X-17" : "", "say \"hi\"\nagain", "tail field"});
  }
  return records;
}

std::vector<std::string> floorRows(const std::vector<std::vector<std::string>>& records) {
  std::vector<std::string> rows;
  for (const auto& record : records) {
    std::string row = "<TR>\n";
    for (const std::string& field : record) {
      row += field.empty() ? "<TD><BR></TD>\n" : "<TD ALIGN=left ALIGN=middle>" + field + "</TD>\n";
    }
    rows.push_back(row + "</TR>\n");
  }
  return rows;
}

void writeWithWriter(const std::vector<std::vector<std::string>>& records, int count,
                     const oryx::WriterOptions& options = {}) {
  std::unique_ptr<FormatFile> html(FormatFileFactory::getFormatFile("html", {}, options));
  html->writeColumnTitle(kTitles, kWidths);
  html->startDocument(kWriterPath.c_str());
  for (int i = 0; i < count; ++i) html->writeRecord(records[i % records.size()]);
  html->endDocument();
}

void writeFloor(const std::vector<std::string>& rows, int count) {
  std::string head =
      "<HTML>\n<HEAD>\n<TITLE>\n\n</TITLE>\n<BODY>\n<CAPTION></CAPTION>\n"
      "<TABLE WIDTH=795 BORDER=2 CELLSPACING=1 CELLPADDING=5>\n<TR>\n";
  for (const std::string& title : kTitles) head += "<TH ALIGN=left ALIGN=middle>" + title + "</TH>\n";
  head += "</TR>\n";
  oryxbench::FloorStream out(kFloorPath);
  out.write(head);
  for (int i = 0; i < count; ++i) {
    const std::string& row = rows[i % rows.size()];
    out.write(row);
  }
  out.write("</TABLE>\n</BODY>\n</HTML>\n");
}

void BM_Floor_BufferedStream(benchmark::State& state) {
  const auto rows = floorRows(makeRecords());
  for (auto _ : state) writeFloor(rows, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_HtmlWriter(benchmark::State& state) {
  const auto records = makeRecords();
  for (auto _ : state) writeWithWriter(records, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Ratio(benchmark::State& state) {
  const auto records = makeRecords();
  const auto rows = floorRows(records);
  oryxbench::runPairs(state, "floor", [&] { writeFloor(rows, kRecords); },
                      "writer", [&] { writeWithWriter(records, kRecords); });
}

void BM_OptionsRatio(benchmark::State& state) {
  const auto records = makeRecords();
  oryxbench::runPairs(state, "default", [&] { writeWithWriter(records, kRecords); },
                      "options", [&] { writeWithWriter(records, kRecords, oryxbench::allOptions()); });
}

}  // namespace

BENCHMARK(BM_Floor_BufferedStream)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HtmlWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Ratio)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_OptionsRatio)->Unit(benchmark::kMillisecond)->Iterations(7);

int main(int argc, char** argv) {
  const auto records = makeRecords();
  return oryxbench::runWhenFloorMatches(argc, argv, kWriterPath, kFloorPath, {kWriterPath, kFloorPath}, [&] {
    writeWithWriter(records, 3000);
    writeFloor(floorRows(records), 3000);
  });
}
