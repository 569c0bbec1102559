// SPDX-License-Identifier: Apache-2.0
#include "companion/process/CommandLine.h"

#include <strings.h>

namespace oryx {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Applies `word` as a redirection when it is one; redirections act in the
// order written, as the command interpreter applies them.
bool applyRedirection(const std::string& word, CommandLine& line) {
  const char* text = word.c_str();
  if (::strcasecmp(text, ">nul") == 0 || ::strcasecmp(text, "1>nul") == 0) {
    line.output = StreamTarget::Discarded;
    return true;
  }
  if (::strcasecmp(text, "2>nul") == 0) {
    line.errors = StreamTarget::Discarded;
    return true;
  }
  if (word == "2>&1") {
    line.errors = line.output == StreamTarget::Discarded ? StreamTarget::Discarded : StreamTarget::ToOutput;
    return true;
  }
  return false;
}

}  // namespace

CommandLine parseCommandLine(const std::string& text) {
  CommandLine line;
  std::string word;
  bool inWord = false;
  bool quoted = false;     // inside a pair of quotes now
  bool hadQuotes = false;  // the current word used quotes somewhere
  for (std::string::size_type i = 0; i <= text.size(); ++i) {
    const bool atEnd = i == text.size();
    const char c = atEnd ? '\0' : text[i];
    if (atEnd || (!quoted && isBlank(c))) {
      if (inWord && (hadQuotes || !applyRedirection(word, line))) line.words.push_back(word);
      word.clear();
      inWord = quoted = hadQuotes = false;
      continue;
    }
    inWord = true;
    if (c == '"') {
      quoted = !quoted;
      hadQuotes = true;
    } else {
      word.push_back(c);
    }
  }
  return line;
}

}  // namespace oryx
