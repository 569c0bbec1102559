// SPDX-License-Identifier: Apache-2.0
// System facts of oRYXCommonUtils: names, addresses, the primary host, the
// lock-dump file and stack traces.
#include "oryxutil/companion/CommonUtils.h"

#include <arpa/inet.h>
#include <execinfo.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>

std::string oRYXCommonUtils::hostname() {
  char name[HOST_NAME_MAX + 1] = {0};
  if (::gethostname(name, sizeof(name) - 1) != 0) return std::string();
  return std::string(name);
}

std::string oRYXCommonUtils::sysname() {
  struct utsname names;
  if (::uname(&names) != 0) return std::string();
  return std::string(names.sysname);
}

std::string oRYXCommonUtils::hostipaddr() {
  struct ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::string();
  std::string address;
  for (struct ifaddrs* it = list; it != nullptr && address.empty(); it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_LOOPBACK) != 0) continue;
    char text[INET_ADDRSTRLEN] = {0};
    const auto* in = reinterpret_cast<const struct sockaddr_in*>(it->ifa_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)) != nullptr) address = text;
  }
  ::freeifaddrs(list);
  return address;
}

int oRYXCommonUtils::IsPrimaryHost() {
  const std::string primary = oRYXgetenv("ORYX_PRIMARY_HOST");
  if (primary.empty()) return 1;
  if (::strcasecmp(primary.c_str(), hostname().c_str()) == 0) return 1;
  return primary == hostipaddr() ? 1 : 0;
}

std::string oRYXCommonUtils::getDumpAllLocksFile() {
  return oRYXgetenv("ORYX_ROOT") + "/var/logs/dumpAllLocks_" + std::to_string(::getpid()) + ".txt";
}

void oRYXCommonUtils::printStackTrace() {
  void* frames[128];
  const int count = ::backtrace(frames, 128);
  ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
}
