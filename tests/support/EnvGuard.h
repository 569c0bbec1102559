#ifndef ORYXUTIL_TESTS_SUPPORT_ENVGUARD_H
#define ORYXUTIL_TESTS_SUPPORT_ENVGUARD_H

// Sets (or, for a null value, unsets) an environment variable for one scope.

#include <cstdlib>
#include <string>

namespace oryxtest {

class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (m_had) m_old = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~EnvGuard() {
    if (m_had) ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else ::unsetenv(m_name.c_str());
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  std::string m_name;
  std::string m_old;
  bool m_had = false;
};

}  // namespace oryxtest

#endif
