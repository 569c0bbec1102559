// SPDX-License-Identifier: Apache-2.0
#include "fileutil/ArchiveNaming.h"

#include "fileutil/ScanContext.h"
#include "fileutil/ScanFunctions.h"

namespace oryx {
namespace fileutil {

namespace {

// The fragment of `pattern` that a matching name must hold; false when the
// pattern is rejected.
bool nameFilterOf(const std::string& pattern, std::string& filter) {
  if (pattern[0] == ';' || pattern[0] == '.') return false;
  const std::string::size_type dot = pattern.find('.');
  if (dot == std::string::npos) {
    // A blank without an extension means names listed without ";": there is
    // no single fragment to look for, so the list is rejected.
    if (pattern.find(' ') != std::string::npos) return false;
    filter = pattern;
    return true;
  }
  const std::string::size_type semicolon = pattern.find(';', dot);
  const std::string::size_type end = semicolon == std::string::npos ? pattern.size() : semicolon;
  if (end == dot + 1) return false;  // "x." or "x.;y"
  filter = pattern[dot + 1] == '*' ? "." : pattern.substr(dot, end - dot);
  return true;
}

}  // namespace

std::vector<std::string> fileListWords(const std::string& files) {
  std::vector<std::string> words;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type end = files.find(';', start);
    const std::string piece = files.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!piece.empty()) words.push_back(piece);
    if (end == std::string::npos) return words;
    start = end + 1;
  }
}

bool archiveNameFromList(const std::string& files, std::string& name) {
  if (files.find(';') != std::string::npos) return false;
  const std::string stem = files.substr(0, files.rfind('.'));
  if (stem.empty() || stem == "*") return false;
  name = stem;
  return true;
}

bool archiveNameFromDirectory(const std::string& files, std::string& name) {
  const bool everything = files.empty() || files == "*" || files == "." || files == "*.*";
  if (!everything) {
    std::string filter;
    if (!nameFilterOf(files, filter)) return false;
    scanContext().nameFilter = filter;
  }
  // The working directory is the listed one; read as UTF-8, the names come
  // back as their own bytes.
  ScanResult scan(".", everything ? selectAllButDots : selectByNameFilter,
                  everything ? compareByTime : compareByName, "UTF-8");
  if (scan.count() <= 0) return false;
  const std::string last = scan.entry(scan.count() - 1)->d_name;
  name = last.substr(0, last.find('.'));
  return !name.empty();
}

}  // namespace fileutil
}  // namespace oryx
