// SPDX-License-Identifier: Apache-2.0
#include "orbcfg/ArgvBuild.h"

#include <ace/OS_NS_stdlib.h>

#include <cstdio>
#include <cstdlib>
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

bool hasWhiteSpace(const std::string& word) {
  return word.find_first_of(" \t\r\n\v\f") != std::string::npos;
}

// The caller's words as ACE joins them (each followed by a blank, the
// first $NAME of each substituted), a word holding a blank quoted.
std::string joinCallerWords(char** argv) {
  std::string line;
  for (int i = 0; argv != nullptr && argv[i] != nullptr; ++i) {
    char* one[2] = {argv[i], nullptr};
    ACE_ARGV_T<char> joined(one, true, false);
    if (joined.buf() == nullptr) continue;
    std::string word = joined.buf();
    if (!word.empty() && word.back() == ' ') word.pop_back();
    line += wholeWord(word);
    line += ' ';
  }
  return line;
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

// The caller's words as ACE joins them: the first $NAME of each substituted.
std::vector<NamedText> callerWords(char** argv) {
  std::vector<NamedText> words;
  for (int i = 0; argv != nullptr && argv[i] != nullptr; ++i) {
    NamedText word("argument word " + std::to_string(i + 1), argv[i]);
    if (word.second.find('$') != std::string::npos) {
      char* substituted = ACE_OS::strenvdup(argv[i]);
      if (substituted != nullptr) word.second = substituted;
      std::free(substituted);
    }
    words.push_back(std::move(word));
  }
  return words;
}

// The first source whose text, where it stands in `line`, holds `cut`.
const NamedText* sourceOf(size_t cut, const std::string& line, const std::vector<NamedText>& words,
                          const std::vector<NamedText>& sources) {
  for (const std::vector<NamedText>* list : {&words, &sources}) {
    for (const NamedText& source : *list) {
      if (source.second.empty()) continue;
      for (size_t at = line.find(source.second); at != std::string::npos && at <= cut;
           at = line.find(source.second, at + 1)) {
        if (cut < at + source.second.size()) return &source;
      }
    }
  }
  return nullptr;
}

void warnCut(const NamedText* source, const std::string& line, size_t cut) {
  std::string shown = source != nullptr ? source->second : line;
  // One line, whatever the text holds.
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  const std::string reason = line[cut] == '#' ? "a leading #" : "an unclosed quote";
  const std::string text = "oRYX_Tao_Cfg::TAO_init: " +
                           (source != nullptr ? source->first : std::string("the ORB arguments")) +
                           " holds " + reason + ", which would cut the ORB arguments short: " +
                           shown + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

std::string wholeWord(const std::string& word) {
  if (!hasWhiteSpace(word)) return word;
  std::string quoted;
  appendQuoted(word, quoted);
  return quoted;
}

size_t cutPoint(const std::string& line) {
  // ACE's counting pass: "#" at the start ends the line; a quote (either
  // kind, anywhere in a word) runs to the next same quote not preceded by a
  // backslash, across blanks.
  if (!line.empty() && line[0] == '#') return 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '"' && line[i] != '\'') continue;
    const size_t open = i;
    for (++i; i < line.size() && (line[i] != line[open] || line[i - 1] == '\\'); ++i) {
    }
    if (i == line.size()) return open;
  }
  return std::string::npos;
}

ACE_ARGV_T<char>* buildOrbArgv(char** argv, const std::string& options,
                               const std::vector<NamedText>& sources) {
  std::string line = joinCallerWords(argv);
  line += options;
  const size_t cut = cutPoint(line);
  if (cut != std::string::npos) {
    warnCut(sourceOf(cut, line, callerWords(argv), sources), line, cut);
    return nullptr;
  }

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
