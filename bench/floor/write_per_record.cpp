// SPDX-License-Identifier: Apache-2.0
// Floor of bench/oryx_export_bench.py: copies a CSV file to another with one
// write(2) per record, the least any CSV writer that flushes every record can
// do. A record ends at a line feed outside quotes.
// Usage: oryx-export-floor INPUT OUTPUT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: oryx-export-floor INPUT OUTPUT\n");
    return 2;
  }
  const int in = ::open(argv[1], O_RDONLY);
  struct stat status;
  if (in < 0 || ::fstat(in, &status) != 0) {
    std::perror("oryx-export-floor");
    return 1;
  }
  // The whole input in one read: the floor spends its time on the writes.
  std::string data(static_cast<size_t>(status.st_size), '\0');
  if (::read(in, &data[0], data.size()) != static_cast<ssize_t>(data.size())) return 1;
  ::close(in);
  const int fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    std::perror("oryx-export-floor");
    return 1;
  }
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '"') quoted = !quoted;
    if (data[i] == '\n' && !quoted) {
      if (::write(fd, data.data() + start, i + 1 - start) < 0) return 1;
      start = i + 1;
    }
  }
  if (start < data.size() && ::write(fd, data.data() + start, data.size() - start) < 0) return 1;
  return ::close(fd) == 0 ? 0 : 1;
}
