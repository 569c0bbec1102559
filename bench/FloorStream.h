// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_BENCH_FLOORSTREAM_H
#define ORYXUTIL_BENCH_FLOORSTREAM_H

// The floor of the buffered export benchmarks: the writer's own bytes,
// precomputed and cut per record, written with fwrite through a 64 KiB
// stdio buffer -- what any buffered writer of the same bytes has to do.
// No error handling: bench only.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace oryxbench {

class FloorStream {
 public:
  explicit FloorStream(const std::string& path) : m_buffer(64 * 1024), m_file(std::fopen(path.c_str(), "wb")) {
    std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());
  }
  ~FloorStream() { std::fclose(m_file); }
  FloorStream(const FloorStream&) = delete;
  FloorStream& operator=(const FloorStream&) = delete;

  void write(const std::string& bytes) { std::fwrite(bytes.data(), 1, bytes.size(), m_file); }

 private:
  std::vector<char> m_buffer;
  std::FILE* m_file;
};

// Where the benchmark files go: $ORYX_BENCH_DIR (e.g. /dev/shm to leave the
// disk out), else /tmp.
inline std::string benchDir() {
  const char* dir = std::getenv("ORYX_BENCH_DIR");
  return dir && *dir ? dir : "/tmp";
}

// A file's bytes, to check that a writer and its floor wrote the same.
inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The main of a floor benchmark: `writeBoth` writes a short run with the
// writer and with the floor; the benchmarks run only when the two files are
// equal (else the comparison means nothing). All `files` are removed at the end.
template <typename WriteBoth>
int runWhenFloorMatches(int argc, char** argv, const std::string& writerPath, const std::string& floorPath,
                        const std::vector<std::string>& files, WriteBoth writeBoth) {
  writeBoth();
  if (fileBytes(writerPath) != fileBytes(floorPath)) {
    std::fprintf(stderr, "floor and writer differ\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const std::string& path : files) std::remove(path.c_str());
  return 0;
}

}  // namespace oryxbench

#endif
