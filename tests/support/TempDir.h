// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_SUPPORT_TEMPDIR_H
#define ORYXUTIL_TESTS_SUPPORT_TEMPDIR_H

// A fresh directory below $TMPDIR (or /tmp, or a given parent), removed with its content when
// the object goes out of scope; plus small file helpers for assertions.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace oryxtest {

class TempDir {
 public:
  // Below `parent` when one is given (e.g. a RAM disk), else below $TMPDIR.
  explicit TempDir(std::string parent = "") {
    const char* base = std::getenv("TMPDIR");
    if (parent.empty()) parent = base && *base ? base : "/tmp";
    std::string pattern = parent + "/oryxtest-XXXXXX";
    char* made = ::mkdtemp(&pattern[0]);
    m_path = made ? made : "";
  }
  ~TempDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string workingDirectory() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof(buffer)) ? buffer : "";
}

// An entry is there (a link counts, whatever it points to).
inline bool exists(const std::string& path) {
  struct ::stat record;
  return ::lstat(path.c_str(), &record) == 0;
}

inline void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace oryxtest

#endif
