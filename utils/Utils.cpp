// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/utils/Utils.h"

#include "companion/io/ConfigFile.h"
#include "companion/os/NativePath.h"

#include <iostream>
#include <sstream>

oRYXUtils::oRYXUtils() = default;
oRYXUtils::~oRYXUtils() = default;
oRYXUtils& oRYXUtils::operator=(const oRYXUtils&) { return *this; }

oRYXGlobalUtils::oRYXGlobalUtils() = default;
oRYXGlobalUtils::~oRYXGlobalUtils() = default;
oRYXGlobalUtils& oRYXGlobalUtils::operator=(const oRYXGlobalUtils&) { return *this; }

namespace {
const char kDefaultDBValue[] = "oryx";
}  // namespace

std::string oRYXUtils::oRYXgetenv(const char* name) {
  if (name == nullptr) return std::string();
  const std::string value = oRYXCommonUtils::oRYXgetenv(name);
  if (value.empty()) std::cerr << "Environment " << name << " not set!!" << std::endl;
  return value;
}

std::string oRYXUtils::getDBConfigValue(std::string key) {
  const std::string path = getConfigPath() + "/dbinfo.txt";
  // Opened for reading and writing: the file is never written, but a file
  // that cannot be opened for writing gives the default like a missing one,
  // and so does anything but a regular file of at most 4 MiB.
  std::string content;
  if (!oryx::readConfigFile(oryx::nativePath(path), oryx::ConfigAccess::kReadWrite, content)) {
    return kDefaultDBValue;
  }
  std::istringstream file(content);
  std::string token;
  while (file >> token) {
    std::list<std::string> pieces;
    split(token, "=", pieces);
    // A token without a value piece is skipped.
    if (pieces.size() < 2) continue;
    const std::string tokenKey = pieces.front();
    pieces.pop_front();
    if (tokenKey == key) return pieces.front();
  }
  return kDefaultDBValue;
}
