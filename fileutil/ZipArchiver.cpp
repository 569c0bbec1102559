#include "fileutil/ZipArchiver.h"

#include "companion/Process.h"
#include "companion/io/DirectoryReader.h"

#include <cerrno>
#include <cstring>
#include <set>

namespace oryx {
namespace fileutil {

namespace {

// The archive's directory and file name.
void splitArchivePath(const std::string& archive, std::string& directory, std::string& file) {
  const std::string::size_type slash = archive.rfind('/');
  directory = slash == std::string::npos ? "." : slash == 0 ? "/" : archive.substr(0, slash);
  file = slash == std::string::npos ? archive : archive.substr(slash + 1);
}

// The entries of `directory` whose names begin with `prefix`; none when the
// directory does not exist (yet).
std::set<std::string> entriesBeginningWith(const std::string& directory, const std::string& prefix) {
  std::set<std::string> names;
  const oryx::Descriptor dir = oryx::openDirectory(AT_FDCWD, directory.c_str(), false);
  if (!dir.isOpen()) return names;
  oryx::DirectoryReader reader(dir.get());
  while (const struct dirent* entry = reader.next()) {
    const char* name = entry->d_name;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) == 0) names.insert(name);
  }
  return names;
}

void removeLeftovers(const std::string& directory, const std::string& prefix,
                     const std::set<std::string>& before) {
  const oryx::Descriptor dir = oryx::openDirectory(AT_FDCWD, directory.c_str(), false);
  if (!dir.isOpen()) return;
  for (const std::string& name : entriesBeginningWith(directory, prefix)) {
    struct ::stat record;
    if (before.count(name) == 0 && oryx::entryStatus(dir.get(), name.c_str(), record) && S_ISREG(record.st_mode)) {
      ::unlinkat(dir.get(), name.c_str(), 0);
    }
  }
}

}  // namespace

bool mayExist(const std::string& path) {
  struct ::stat record;
  return ::fstatat(AT_FDCWD, path.c_str(), &record, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

bool packWithArchiver(const std::string& archive, const std::vector<std::string>& names,
                      NameMatching matching) {
  if (names.empty()) return false;
  std::string directory;
  std::string file;
  splitArchivePath(archive, directory, file);
  const std::set<std::string> before = entriesBeginningWith(directory, file);

  // The archive type is fixed (a name's extension never chooses it); -y
  // answers any question, and with no input 7za can never wait for one.
  std::vector<std::string> words = {"7za", "a", "-tzip", "-y"};
  if (matching == NameMatching::Literal) words.push_back("-spd");
  words.push_back("--");
  words.push_back(archive);
  words.insert(words.end(), names.begin(), names.end());

  ProgramStreams streams;
  streams.input = StreamTarget::Discarded;
  streams.output = StreamTarget::Discarded;
  streams.errors = StreamTarget::Discarded;
  if (runProgram(words, streams) == 0) return true;
  removeLeftovers(directory, file, before);
  return false;
}

}  // namespace fileutil
}  // namespace oryx
