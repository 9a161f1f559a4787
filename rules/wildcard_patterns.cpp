// Wildcard pattern sets and their lookup.
#include "rules/wildcard_patterns.h"

#include <algorithm>

void CWildcardPatternSet::Insert(std::u16string pattern) {
  m_longest = std::max(m_longest, pattern.size());
  m_patterns.insert(std::move(pattern));
}

void CWildcardPatternSet::Clear() {
  m_patterns.clear();
  m_longest = 0;
}

BOOL FindWildcardEntry(const CWildcardPatternSet& patterns, std::u16string_view name, std::u16string& matched,
                       WildcardSteps steps) {
  if (patterns.Empty()) return FALSE;
  std::u16string key;
  key.reserve(std::min(name.size(), patterns.Longest()) + 2);
  const auto found = [&] {
    if (!patterns.Contains(key)) return false;
    matched = key;
    return true;
  };

  if (steps == WILDCARD_ALL) {
    key.assign(name);
    if (found()) return TRUE;
  }
  const std::size_t n = name.size();
  const std::size_t longest = patterns.Longest();
  // "*" plus i characters fits only while i + 1 <= longest.
  for (std::size_t i = 1; i <= n && i + 1 <= longest; ++i) {
    key.assign(u"*").append(name.substr(n - i));
    if (found()) return TRUE;
    key.assign(name.substr(0, i)).append(u"*");
    if (found()) return TRUE;
  }
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t k = 1; k <= n - j && k + 2 <= longest; ++k) {
      key.assign(u"*").append(name.substr(j, k)).append(u"*");
      if (found()) return TRUE;
    }
  }
  return FALSE;
}
