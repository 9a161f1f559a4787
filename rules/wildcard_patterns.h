// Sets of lower-cased name patterns in which a leading or trailing "*"
// stands for any text ('*X', 'X*', '*X*'), and the one lookup that the user
// exclusions, the group exclusions and the dictionary share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/wintypes.h"

class CWildcardPatternSet {
 public:
  void Insert(std::u16string pattern);
  void Clear();
  bool Empty() const { return m_patterns.empty(); }
  std::size_t Size() const { return m_patterns.size(); }
  bool Contains(const std::u16string& key) const { return m_patterns.count(key) != 0; }
  // The longest pattern's length: no longer key can be found.
  std::size_t Longest() const { return m_longest; }

 private:
  std::unordered_set<std::u16string> m_patterns;
  std::size_t m_longest = 0;
};

// Which keys FindWildcardEntry tries.
enum WildcardSteps {
  WILDCARD_ALL,           // the name, then its prefix/suffix forms, then its infix forms
  WILDCARD_PAST_EXACT,    // only the prefix/suffix and infix forms
};

// TRUE, with the pattern that matched in `matched`, when `name` (already
// lower-cased) matches a pattern of `patterns`. Keys are tried in a fixed
// order and the first one found wins: the name; then for each length i from
// 1, "*" and the last i characters, then the first i characters and "*";
// then for each start and length, "*", the characters there, "*". Keys
// longer than the longest pattern are skipped, so the cost is the name's
// length times the longest pattern's, not the name's length squared.
BOOL FindWildcardEntry(const CWildcardPatternSet& patterns, std::u16string_view name, std::u16string& matched,
                       WildcardSteps steps = WILDCARD_ALL);
