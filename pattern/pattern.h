// CPattern: the wrapper through which the service matches the lines of its
// question file. It owns one compiled pattern (pattern_program.h) and answers
// whether a text matches and what the groups captured.
#pragma once

#include <string>
#include <vector>

class CPatternProgram;

class CPattern {
 public:
  // Compiles the NUL-terminated pattern; caseSensitive 0 compiles it to
  // ignore ASCII letter case. Nothing is reported: a bad pattern is
  // compiled as far as it goes.
  CPattern(const char* pattern, int caseSensitive);
  virtual ~CPattern();
  CPattern(const CPattern&) = delete;
  CPattern& operator=(const CPattern&) = delete;

  // Searches the text (up to its first NUL). On a match returns 1 and sets
  // groups to n + 1 entries, group k's text or "" for a group that did not
  // take part; otherwise returns 0 and leaves groups empty. Safe to call
  // from several threads at once.
  int Match(const std::string& text, std::vector<std::string>& groups) const;

 private:
  CPatternProgram* program;
};
