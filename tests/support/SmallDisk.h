// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_SUPPORT_SMALLDISK_H
#define ORYXUTIL_TESTS_SUPPORT_SMALLDISK_H

// A disk that fills up: a tmpfs of `size` mounted on `dir` for one scope.
// Mounting needs root; mounted() says whether it worked (tests skip if not).

#include <sys/mount.h>

#include <string>

namespace oryxtest {

class SmallDisk {
 public:
  SmallDisk(const std::string& dir, const std::string& size)
      : m_dir(dir), m_mounted(::mount("tmpfs", dir.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0) {}
  ~SmallDisk() {
    if (m_mounted) ::umount2(m_dir.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return m_mounted; }

 private:
  std::string m_dir;
  bool m_mounted;
};

}  // namespace oryxtest

#endif
