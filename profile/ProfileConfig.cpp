// SPDX-License-Identifier: Apache-2.0
#include "profile/ProfileConfig.h"

#include <ace/OS_NS_stdlib.h>
#include <ace/OS_NS_unistd.h>

namespace oryx {
namespace profile {

namespace {

// "%p" replaced by the process id.
std::string expandPath(const char* pattern) {
  std::string path;
  for (const char* at = pattern; *at != '\0'; ++at) {
    if (at[0] == '%' && at[1] == 'p') {
      path += std::to_string(static_cast<long>(ACE_OS::getpid()));
      ++at;
    } else {
      path += *at;
    }
  }
  return path;
}

ProfileConfig readEnvironment() {
  ProfileConfig config;
  config.writeStart = ACE_OS::getenv("OX_PROFILE_NO_WRITE_START") == nullptr;
  config.writeIndent = ACE_OS::getenv("OX_PROFILE_NO_WRITE_INDENT") == nullptr;
  if (const char* path = ACE_OS::getenv("OX_PROFILE_FILE")) config.linesPath = path;
  if (const char* pattern = ACE_OS::getenv("OX_PROFILE_TRACE")) config.tracePath = expandPath(pattern);
  return config;
}

// Read when the library loads, so that a later change of the environment
// changes nothing.
const ProfileConfig& readAtLoad = profileConfig();

}  // namespace

const ProfileConfig& profileConfig() {
  // Never destroyed: threads may profile while the process exits.
  static const ProfileConfig* const config = new ProfileConfig(readEnvironment());
  return *config;
}

}  // namespace profile
}  // namespace oryx
