// Helpers for the engine's tests: compile a pattern with given flags and
// report the match as group spans or group texts.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pattern/pattern_program.h"

namespace pattern_test {

using Spans = std::vector<std::pair<int32_t, int32_t>>;

// Group spans of the first match, empty for no match.
inline Spans MatchSpans(const std::string& pattern, const std::string& text, uint32_t flags = 0,
                        int32_t start = -1) {
  CPatternProgram program;
  program.Reset();
  program.Compile(pattern.data(), static_cast<int32_t>(pattern.size()), flags);
  const CPatternArray<int32_t> result =
      program.Search(text.data(), static_cast<int32_t>(text.size()), start);
  Spans spans;
  if (result.Count() == 0) return spans;
  for (int32_t k = 0; k <= result[1]; ++k) spans.emplace_back(result[2 + 2 * k], result[3 + 2 * k]);
  return spans;
}

// Group texts of the first match ("-" for a group without a record), or
// {"no match"}.
inline std::vector<std::string> MatchGroups(const std::string& pattern, const std::string& text,
                                            uint32_t flags = 0) {
  const Spans spans = MatchSpans(pattern, text, flags);
  if (spans.empty()) return {"no match"};
  std::vector<std::string> groups;
  for (const auto& [start, end] : spans)
    groups.push_back(start < 0 ? "-" : text.substr(static_cast<size_t>(start),
                                                   static_cast<size_t>(end - start)));
  return groups;
}

// The whole match's text, or "no match".
inline std::string MatchText(const std::string& pattern, const std::string& text,
                             uint32_t flags = 0) {
  return MatchGroups(pattern, text, flags)[0];
}

inline bool Matches(const std::string& pattern, const std::string& text, uint32_t flags = 0) {
  return !MatchSpans(pattern, text, flags).empty();
}

}  // namespace pattern_test
