// SPDX-License-Identifier: Apache-2.0
#include "fileutil/archive/ZipIndex.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace oryx {
namespace fileutil {

namespace {

const uint32_t kEndRecord = 0x06054b50;
const uint32_t kZip64EndRecord = 0x06064b50;
const uint32_t kZip64Locator = 0x07064b50;
const uint32_t kCentralEntry = 0x02014b50;
const size_t kEndRecordSize = 22;
const size_t kLocatorSize = 20;
const size_t kZip64EndSize = 56;
const size_t kCentralEntrySize = 46;
const size_t kLongestComment = 0xFFFF;
const uint16_t kZip64Extra = 0x0001;

uint64_t little(const unsigned char* at, size_t bytes) {
  uint64_t value = 0;
  for (size_t i = bytes; i-- > 0;) value = value << 8 | at[i];
  return value;
}

bool readAt(int fd, uint64_t offset, size_t size, std::string& out) {
  out.resize(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, &out[done], size - done, static_cast<off_t>(offset + done));
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

struct Directory {
  uint64_t entries;
  uint64_t size;
  uint64_t offset;
};

// The end record nearest the end of the file (its comment may follow it),
// and the zip64 end record when the locator before it points to one.
bool findDirectory(int fd, uint64_t fileSize, Directory& directory) {
  if (fileSize < kEndRecordSize) return false;
  const uint64_t tail = std::min<uint64_t>(fileSize, kEndRecordSize + kLongestComment + kLocatorSize);
  std::string data;
  if (!readAt(fd, fileSize - tail, static_cast<size_t>(tail), data)) return false;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
  size_t at = data.size() - kEndRecordSize + 1;
  do {
    --at;
    if (little(bytes + at, 4) != kEndRecord) continue;
    directory = Directory{little(bytes + at + 10, 2), little(bytes + at + 12, 4), little(bytes + at + 16, 4)};
    if (at >= kLocatorSize && little(bytes + at - kLocatorSize, 4) == kZip64Locator) {
      std::string record;
      const uint64_t zip64At = little(bytes + at - kLocatorSize + 8, 8);
      if (!readAt(fd, zip64At, kZip64EndSize, record)) return false;
      const unsigned char* r = reinterpret_cast<const unsigned char*>(record.data());
      if (little(r, 4) != kZip64EndRecord) return false;
      directory = Directory{little(r + 32, 8), little(r + 40, 8), little(r + 48, 8)};
    }
    return directory.offset + directory.size <= fileSize;
  } while (at > 0);
  return false;
}

// The uncompressed size of one central entry: the 32-bit field, or the
// zip64 extra field's first value when the field is saturated.
bool entrySize(const unsigned char* entry, const unsigned char* extra, size_t extraLength, uint64_t& size) {
  size = little(entry + 24, 4);
  if (size != 0xFFFFFFFF) return true;
  for (size_t at = 0; at + 4 <= extraLength;) {
    const uint64_t id = little(extra + at, 2);
    const size_t length = static_cast<size_t>(little(extra + at + 2, 2));
    if (at + 4 + length > extraLength) return false;
    if (id == kZip64Extra && length >= 8) {
      size = little(extra + at + 4, 8);
      return true;
    }
    at += 4 + length;
  }
  return false;
}

}  // namespace

bool readZipIndex(int fd, std::map<std::string, uint64_t>& sizes) {
  struct ::stat status;
  Directory directory = {0, 0, 0};
  if (::fstat(fd, &status) != 0 || !findDirectory(fd, static_cast<uint64_t>(status.st_size), directory)) {
    return false;
  }
  std::string data;
  if (!readAt(fd, directory.offset, static_cast<size_t>(directory.size), data)) return false;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
  size_t at = 0;
  for (uint64_t i = 0; i < directory.entries; ++i) {
    if (at + kCentralEntrySize > data.size() || little(bytes + at, 4) != kCentralEntry) return false;
    const size_t nameLength = static_cast<size_t>(little(bytes + at + 28, 2));
    const size_t extraLength = static_cast<size_t>(little(bytes + at + 30, 2));
    const size_t commentLength = static_cast<size_t>(little(bytes + at + 32, 2));
    const size_t next = at + kCentralEntrySize + nameLength + extraLength + commentLength;
    if (next > data.size()) return false;
    uint64_t size = 0;
    if (!entrySize(bytes + at, bytes + at + kCentralEntrySize + nameLength, extraLength, size)) return false;
    sizes[data.substr(at + kCentralEntrySize, nameLength)] = size;
    at = next;
  }
  return true;
}

}  // namespace fileutil
}  // namespace oryx
