#include "oryxutil/utils/Utils.h"

#include <fstream>
#include <iostream>

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
  // Opened for input and output: the file is never written, but a file that
  // cannot be opened for writing gives the default like a missing one.
  std::fstream file(path.c_str(), std::ios::in | std::ios::out);
  if (!file.is_open()) return kDefaultDBValue;
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
