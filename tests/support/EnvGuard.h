// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_SUPPORT_ENVGUARD_H
#define ORYXUTIL_TESTS_SUPPORT_ENVGUARD_H

// Sets (or, for a null value, unsets) an environment variable for one scope.

#include <cstdlib>
#include <optional>
#include <string>

namespace oryxtest {

class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~EnvGuard() { m_old ? ::setenv(m_name.c_str(), m_old->c_str(), 1) : ::unsetenv(m_name.c_str()); }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

}  // namespace oryxtest

#endif
