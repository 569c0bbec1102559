#include "orbcfg/CfgImport.h"

#include "companion/NativePath.h"
#include "orbcfg/OrbCodes.h"
#include "oryxutil/companion/OS.h"

#include <ace/Configuration_Import_Export.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace oryx {

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const size_t kBomLength = 3;

// The whole file when it starts with a byte-order mark, without the mark;
// false when it does not start with one or cannot be read.
bool readAfterBom(const std::string& path, std::string& content) {
  FILE* in = ORYX_OS::fopen(path.c_str(), "rb", "UTF-8");
  if (in == nullptr) return false;
  char head[kBomLength] = {0};
  bool hasBom = std::fread(head, 1, kBomLength, in) == kBomLength &&
                std::memcmp(head, kBom, kBomLength) == 0;
  if (hasBom) {
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), in)) > 0) content.append(chunk, got);
    hasBom = !std::ferror(in);
  }
  std::fclose(in);
  return hasBom;
}

int importPath(ACE_Configuration_Heap& store, const char* path) {
  ACE_Ini_ImpExp importer(store);
  return importer.import_config(path) == 0 ? kCfgOk : kCfgFailed;
}

// The INI reader only takes a file name, so the text without the mark is
// handed over as an anonymous in-memory file.
int importText(ACE_Configuration_Heap& store, const std::string& content) {
  const int fd = ::memfd_create("tao.cfg", MFD_CLOEXEC);
  if (fd < 0) return kCfgFailed;
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  int result = kCfgFailed;
  if (written == content.size()) {
    const std::string name = "/proc/self/fd/" + std::to_string(fd);
    result = importPath(store, name.c_str());
  }
  ::close(fd);
  return result;
}

}  // namespace

int importIniFile(ACE_Configuration_Heap& store, const char* path) {
  if (path == nullptr) return kCfgFailed;
  const std::string native = nativePath(std::string(path));
  std::string content;
  if (readAfterBom(native, content)) return importText(store, content);
  return importPath(store, native.c_str());
}

}  // namespace oryx
