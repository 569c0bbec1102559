#include "orbcfg/ArgvBuild.h"

#include <memory>
#include <new>
#include <vector>

namespace oryx {

namespace {

// Writes `word` so that ACE's splitter (substitution off) gives it back as
// one word: bare when nothing in it is special, else in double quotes with
// inner quotes escaped. Trailing backslashes stay outside the quotes, where a
// backslash is literal, since `\"` would escape the closing quote.
void appendQuoted(const std::string& word, std::string& line) {
  if (word.find_first_of(" \t\r\n\"'") == std::string::npos) {
    line += word;
    return;
  }
  const size_t bodyEnd = word.find_last_not_of('\\') + 1;
  line += '"';
  for (size_t i = 0; i < bodyEnd; ++i) {
    if (word[i] == '"') line += '\\';
    line += word[i];
  }
  line += '"';
  line.append(word, bodyEnd, std::string::npos);
}

bool hasEmptyWord(ACE_ARGV_T<char>& args) {
  char** words = args.argv();
  for (int i = 0; words != nullptr && i < args.argc(); ++i) {
    if (words[i] == nullptr || words[i][0] == '\0') return true;
  }
  return false;
}

// A new vector holding exactly `words` (none empty), without substitution.
ACE_ARGV_T<char>* argvOfWords(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    appendQuoted(word, line);
  }
  return new (std::nothrow) ACE_ARGV_T<char>(line.c_str(), false);
}

}  // namespace

ACE_ARGV_T<char>* buildOrbArgv(char** argv, const std::string& options) {
  std::string line;
  if (argv != nullptr) {
    ACE_ARGV_T<char> callerArgs(argv, true, false);
    if (callerArgs.buf() != nullptr) line = callerArgs.buf();
  }
  line += options;

  std::unique_ptr<ACE_ARGV_T<char>> result(new (std::nothrow) ACE_ARGV_T<char>(line.c_str(), true));
  if (!result || !hasEmptyWord(*result)) return result.release();

  std::vector<std::string> kept;
  char** words = result->argv();
  for (int i = 0; i < result->argc(); ++i) {
    if (words[i] != nullptr && words[i][0] != '\0') kept.emplace_back(words[i]);
  }
  return argvOfWords(kept);
}

}  // namespace oryx
