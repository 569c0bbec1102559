// SPDX-License-Identifier: Apache-2.0
// Boxed-text export of 200,000 records x 6 columns (ASCII and CJK text,
// some cells wrapping) in UTF-8 mode and in local-charset mode, against a
// floor that writes the same bytes, precomputed per record, through one
// buffered stream. A third pair times only the caller's side of the records
// (in local-charset mode the writer thread does the output).
// BM_OptionsRatio_Utf8 compares every writer option on against the defaults.
// The output file is removed at the end.
#include "oryxutil/export/FormatFile.h"

#include "bench/PairedRatio.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kRecords = 200000;
const size_t kDistinct = 1000;
// Memory-backed when available, so disk write-back does not blur the comparison.
const char* const kPath = access("/dev/shm", W_OK) == 0 ? "/dev/shm/oryx-bench-txt.txt" : "/tmp/oryx-bench-txt.txt";
const std::list<std::string> kTitles = {"id", "name", "city", "amount", "note", "code"};
const std::list<long> kWidths = {8, 12, 12, 10, 24, 6};

// In local-charset mode the CJK cells are taken as double-byte text: the
// layout counts their bytes, which is what the benchmark measures.
std::vector<std::vector<std::string>> makeRecords() {
  const char* cjk[] = {"\xE6\x9D\xB1\xE4\xBA\xAC", "\xE5\x8C\x97\xE4\xBA\xAC\xE5\xB8\x82",
                       "\xE4\xB8\x8A\xE6\xB5\xB7\xE6\xB5\xA6\xE4\xB8\x9C\xE6\x96\xB0\xE5\x8C\xBA"};
  std::vector<std::vector<std::string>> records;
  for (size_t i = 0; i < kDistinct; ++i) {
    records.push_back({std::to_string(100000 + i), i % 2 ? "Anna Meier" : cjk[i % 3],
                       i % 3 ? "Z\xC3\xBCrich" : cjk[(i + 1) % 3], std::to_string(i * 37) + ".50",
                       i % 4 ? "short note" : "a longer note that wraps onto a second line", "X" + std::to_string(i % 97)});
  }
  return records;
}

void writeDocument(const char* encoding, const std::vector<std::vector<std::string>>& records, int count,
                   const oryx::WriterOptions& options = oryx::WriterOptions()) {
  std::unique_ptr<FormatFile> txt(FormatFileFactory::getFormatFile("txt", {}, options));
  txt->writeColumnTitle(kTitles, encoding, kWidths);
  txt->startDocument(kPath);
  for (int i = 0; i < count; ++i) txt->writeRecord(records[i % records.size()]);
  txt->endDocument();
}

// The writer's bytes for the head and for each distinct record's block.
struct Pieces {
  std::string head;
  std::vector<std::string> blocks;
};

Pieces makePieces(const char* encoding) {
  const auto records = makeRecords();
  Pieces pieces;
  writeDocument(encoding, records, 0);
  {
    std::ifstream in(kPath, std::ios::binary);
    pieces.head.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  for (const auto& record : records) {
    writeDocument(encoding, {record}, 1);
    std::ifstream in(kPath, std::ios::binary);
    std::string file(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
    pieces.blocks.push_back(file.substr(pieces.head.size()));
  }
  return pieces;
}

// Writes the writer's bytes from memory through one buffered stream;
// returns how many.
size_t writeFloor(const Pieces& pieces, std::vector<char>& buffer) {
  std::FILE* out = std::fopen(kPath, "wb");
  std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
  std::fwrite(pieces.head.data(), 1, pieces.head.size(), out);
  size_t bytes = pieces.head.size();
  for (int i = 0; i < kRecords; ++i) {
    const std::string& block = pieces.blocks[i % kDistinct];
    std::fwrite(block.data(), 1, block.size(), out);
    bytes += block.size();
  }
  std::fclose(out);
  return bytes;
}

void runFloor(benchmark::State& state, const char* encoding) {
  const Pieces pieces = makePieces(encoding);
  std::vector<char> buffer(64 * 1024);
  size_t bytes = 0;
  for (auto _ : state) bytes = writeFloor(pieces, buffer);
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The floor and the writer in turns, each pair timed on its own: the
// median of the pairs' ratios is steady even when the machine's speed
// drifts between separate benchmarks.
void runRatio(benchmark::State& state, const char* encoding) {
  const Pieces pieces = makePieces(encoding);
  const auto records = makeRecords();
  std::vector<char> buffer(64 * 1024);
  std::vector<double> ratios;
  double floorMs = 0, writerMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    writeFloor(pieces, buffer);
    const auto middle = std::chrono::steady_clock::now();
    writeDocument(encoding, records, kRecords);
    const auto end = std::chrono::steady_clock::now();
    const double floorPart = std::chrono::duration<double, std::milli>(middle - start).count();
    const double writerPart = std::chrono::duration<double, std::milli>(end - middle).count();
    floorMs += floorPart;
    writerMs += writerPart;
    ratios.push_back(writerPart / floorPart);
  }
  std::sort(ratios.begin(), ratios.end());
  state.counters["floor_ms"] = floorMs / static_cast<double>(ratios.size());
  state.counters["writer_ms"] = writerMs / static_cast<double>(ratios.size());
  state.counters["median_ratio"] = ratios[ratios.size() / 2];
}

void runWriter(benchmark::State& state, const char* encoding) {
  const auto records = makeRecords();
  for (auto _ : state) writeDocument(encoding, records, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// Times the writeRecord calls alone.
void runCallerSide(benchmark::State& state, const char* encoding) {
  const auto records = makeRecords();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<FormatFile> txt(FormatFileFactory::getFormatFile("txt", {}));
    txt->writeColumnTitle(kTitles, encoding, kWidths);
    txt->startDocument(kPath);
    state.ResumeTiming();
    for (int i = 0; i < kRecords; ++i) txt->writeRecord(records[i % kDistinct]);
    state.PauseTiming();
    txt->endDocument();
    txt.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Floor_Utf8Bytes(benchmark::State& state) { runFloor(state, "UTF-8"); }
void BM_TxtWriter_Utf8(benchmark::State& state) { runWriter(state, "UTF-8"); }
void BM_Floor_LocalBytes(benchmark::State& state) { runFloor(state, "GBK"); }
void BM_TxtWriter_Local(benchmark::State& state) { runWriter(state, "GBK"); }
void BM_CallerSide_Utf8(benchmark::State& state) { runCallerSide(state, "UTF-8"); }
void BM_CallerSide_Local(benchmark::State& state) { runCallerSide(state, "GBK"); }
void BM_Ratio_Utf8(benchmark::State& state) { runRatio(state, "UTF-8"); }
void BM_Ratio_Local(benchmark::State& state) { runRatio(state, "GBK"); }

void BM_OptionsRatio_Utf8(benchmark::State& state) {
  const auto records = makeRecords();
  oryxbench::runPairs(state, "default", [&] { writeDocument("UTF-8", records, kRecords); },
                      "options", [&] { writeDocument("UTF-8", records, kRecords, oryxbench::allOptions()); });
}

}  // namespace

BENCHMARK(BM_Floor_Utf8Bytes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TxtWriter_Utf8)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Floor_LocalBytes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TxtWriter_Local)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CallerSide_Utf8)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CallerSide_Local)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Ratio_Utf8)->Unit(benchmark::kMillisecond)->Iterations(11);
BENCHMARK(BM_Ratio_Local)->Unit(benchmark::kMillisecond)->Iterations(11);
BENCHMARK(BM_OptionsRatio_Utf8)->Unit(benchmark::kMillisecond)->Iterations(11);
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(kPath);
  return 0;
}
