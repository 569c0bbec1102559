// SPDX-License-Identifier: Apache-2.0
// CSV export of 1,000,000 records x 8 fields (~100 bytes a line, plain and
// quoted fields mixed) against a floor that writes the same precomputed
// bytes with one write(2) per record (the writer flushes every record).
// BM_Ratio runs the floor and the writer in alternating pairs and reports
// the median writer / floor; BM_OptionsRatio does the same for every writer
// option on against the defaults. Before the runs the writer's and the
// floor's files are compared byte for byte.
#include "oryxutil/export/FormatFile.h"

#include "bench/FloorStream.h"
#include "bench/PairedRatio.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kRecords = 1000000;
const std::string kWriterPath = oryxbench::benchDir() + "/oryx-bench-csv-writer.csv";
const std::string kFloorPath = oryxbench::benchDir() + "/oryx-bench-csv-floor.csv";
const std::list<std::string> kTitles = {"id", "a", "b", "c", "d", "e", "f", "g"};

std::vector<std::vector<std::string>> makeRecords() {
  std::vector<std::vector<std::string>> records;
  records.reserve(1000);
  for (int i = 0; i < 1000; ++i) {
    records.push_back({std::to_string(100000 + i), "plain text of the record", "with, a comma", "say \"hi\"",
                       "Z\xC3\xBCrich", std::to_string(i * 37), "multi\nline", "tail field"});
  }
  return records;
}

// The exact bytes the writer produces for each record.
std::vector<std::string> floorLines(const std::vector<std::vector<std::string>>& records) {
  std::vector<std::string> lines;
  for (const auto& record : records) {
    std::string line;
    for (size_t f = 0; f < record.size(); ++f) {
      if (f) line += ',';
      const std::string& field = record[f];
      if (field.find_first_of("\",\r\n") == std::string::npos) {
        line += field;
      } else {
        line += '"';
        for (char c : field) {
          line += c;
          if (c == '"') line += '"';
        }
        line += '"';
      }
    }
    lines.push_back(line + "\n");
  }
  return lines;
}

void writeWithWriter(const std::vector<std::vector<std::string>>& records, int count,
                     const oryx::WriterOptions& options = {}) {
  std::unique_ptr<FormatFile> csv(FormatFileFactory::getFormatFile("csv", {}, options));
  csv->writeColumnTitle(kTitles, {});
  csv->startDocument(kWriterPath.c_str());
  for (int i = 0; i < count; ++i) csv->writeRecord(records[i % records.size()]);
  csv->endDocument();
}

void writeFloor(const std::vector<std::string>& lines, int count) {
  const std::string title = "id,a,b,c,d,e,f,g\n";
  const int fd = ::open(kFloorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  benchmark::DoNotOptimize(::write(fd, title.data(), title.size()));
  for (int i = 0; i < count; ++i) {
    const std::string& line = lines[i % lines.size()];
    benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
  }
  ::close(fd);
}

void BM_Floor_WritePerRecord(benchmark::State& state) {
  const auto lines = floorLines(makeRecords());
  for (auto _ : state) writeFloor(lines, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_CsvWriter(benchmark::State& state) {
  const auto records = makeRecords();
  for (auto _ : state) writeWithWriter(records, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Ratio(benchmark::State& state) {
  const auto records = makeRecords();
  const auto lines = floorLines(records);
  oryxbench::runPairs(state, "floor", [&] { writeFloor(lines, kRecords); },
                      "writer", [&] { writeWithWriter(records, kRecords); });
}

void BM_OptionsRatio(benchmark::State& state) {
  const auto records = makeRecords();
  oryxbench::runPairs(state, "default", [&] { writeWithWriter(records, kRecords); },
                      "options", [&] { writeWithWriter(records, kRecords, oryxbench::allOptions()); });
}

}  // namespace

BENCHMARK(BM_Floor_WritePerRecord)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Ratio)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_OptionsRatio)->Unit(benchmark::kMillisecond)->Iterations(7);

int main(int argc, char** argv) {
  const auto records = makeRecords();
  return oryxbench::runWhenFloorMatches(argc, argv, kWriterPath, kFloorPath, {kWriterPath, kFloorPath}, [&] {
    writeWithWriter(records, 3000);
    writeFloor(floorLines(records), 3000);
  });
}
