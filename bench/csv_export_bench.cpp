// CSV export of 1,000,000 records x 8 fields (~100 bytes a line, plain and
// quoted fields mixed) against a floor that writes the same precomputed
// bytes with one write(2) per record.
#include "oryxutil/export/FormatFile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const int kRecords = 1000000;
const char kPath[] = "/tmp/oryx-bench-csv.csv";

std::vector<std::vector<std::string>> makeRecords() {
  std::vector<std::vector<std::string>> records;
  records.reserve(1000);
  for (int i = 0; i < 1000; ++i) {
    records.push_back({std::to_string(100000 + i), "plain text of the record", "with, a comma", "say \"hi\"",
                       "Z\xC3\xBCrich", std::to_string(i * 37), "multi\nline", "tail field"});
  }
  return records;
}

void BM_CsvWriter(benchmark::State& state) {
  const auto records = makeRecords();
  const std::list<std::string> titles = {"id", "a", "b", "c", "d", "e", "f", "g"};
  for (auto _ : state) {
    std::unique_ptr<FormatFile> csv(FormatFileFactory::getFormatFile("csv", {}));
    csv->writeColumnTitle(titles, {});
    csv->startDocument(kPath);
    for (int i = 0; i < kRecords; ++i) csv->writeRecord(records[i % records.size()]);
    csv->endDocument();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Floor_WritePerRecord(benchmark::State& state) {
  // The exact bytes the writer produces, one line per record, precomputed.
  std::vector<std::string> lines;
  for (const auto& record : makeRecords()) {
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
  const std::string title = "id,a,b,c,d,e,f,g\n";
  for (auto _ : state) {
    const int fd = ::open(kPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    benchmark::DoNotOptimize(::write(fd, title.data(), title.size()));
    for (int i = 0; i < kRecords; ++i) {
      const std::string& line = lines[i % lines.size()];
      benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
    }
    ::close(fd);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

}  // namespace

BENCHMARK(BM_Floor_WritePerRecord)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
