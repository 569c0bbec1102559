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

std::string fileListCommandText(const std::string& files) {
  std::string text = files.find_first_of(";*") == std::string::npos ? "\"" + files + "\"" : files;
  for (char& c : text) {
    if (c == ';') c = ' ';
  }
  return text;
}

bool archiveNameFromList(const std::string& files, std::string& name) {
  if (files.find(';') != std::string::npos) return false;
  const std::string stem = files.substr(0, files.rfind('.'));
  if (stem.empty() || stem == "*") return false;
  name = stem;
  return true;
}

bool archiveNameFromDirectory(const char* dir, const std::string& files, const char* encoding,
                              std::string& name) {
  if (dir == nullptr) return false;
  const bool everything = files.empty() || files == "*" || files == "." || files == "*.*";
  if (!everything) {
    std::string filter;
    if (!nameFilterOf(files, filter)) return false;
    scanContext().nameFilter = filter;
  }
  ScanResult scan(dir, everything ? selectAllButDots : selectByNameFilter,
                  everything ? compareByTime : compareByName, encoding);
  if (scan.count() <= 0) return false;
  const std::string last = scan.entry(scan.count() - 1)->d_name;
  name = last.substr(0, last.find('.'));
  return true;
}

}  // namespace fileutil
}  // namespace oryx
