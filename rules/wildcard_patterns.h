// Sets of lower-cased name patterns in which a leading or trailing "*"
// stands for any text ('*X', 'X*', '*X*'), and the one lookup that the user
// exclusions, the group exclusions and the dictionary share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"

// The patterns live back to back in one buffer, and an open-addressing
// table of 8-byte slots points at them. The dictionary, read afresh at
// every check, has a table of its own (rules/dictionary_table.h).
class CWildcardPatternSet {
 public:
  // Adds a pattern; one already present is kept once.
  void Insert(std::u16string_view pattern);
  void Clear();

  bool Empty() const { return m_entries.empty(); }
  std::size_t Size() const { return m_entries.size(); }
  bool Contains(std::u16string_view key) const;
  // The longest pattern's length: no longer key can be found.
  std::size_t Longest() const { return m_longest; }

 private:
  // A slot holds the hash's high half and the entry's index plus one; 0 is empty.
  static constexpr std::size_t kMaxEntries = 0xFFFFFFFEu;
  static std::size_t Hash(std::u16string_view text);
  // Where one pattern lies in m_text.
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  static std::uint64_t SlotFor(std::size_t hash, std::size_t index) {
    return (static_cast<std::uint64_t>(hash >> 32) << 32) | (index + 1);
  }
  std::u16string_view Text(const Span& span) const {
    return std::u16string_view(m_text).substr(span.offset, span.length);
  }
  // The slot that holds `key`, or the empty slot where it would go.
  std::size_t Find(std::u16string_view key, std::size_t hash) const;
  // Adds a pattern already in m_text.
  void Place(const Span& span, std::size_t hash);
  // A table of `slots` slots for the entries as they are.
  void Resize(std::size_t slots);

  std::u16string m_text;
  std::vector<Span> m_entries;
  std::vector<std::uint64_t> m_slots;
  std::size_t m_longest = 0;
};

// Which keys FindWildcardEntry tries.
enum WildcardSteps {
  WILDCARD_ALL,         // the name, then its prefix/suffix forms, then its infix forms
  WILDCARD_PAST_EXACT,  // only the prefix/suffix and infix forms
};

// Wipes the whole buffer of a key that shrank and grew while pieces of a
// password passed through it, not only its last text.
class CWipeKeyBuffer {
 public:
  explicit CWipeKeyBuffer(std::u16string& key) : m_key(key) {}
  ~CWipeKeyBuffer();
  CWipeKeyBuffer(const CWipeKeyBuffer&) = delete;
  CWipeKeyBuffer& operator=(const CWipeKeyBuffer&) = delete;

 private:
  std::u16string& m_key;
};

// TRUE, with the pattern that matched in `matched`, when `name` (already
// lower-cased) matches a pattern of `patterns`. Keys are tried in a fixed
// order and the first one found wins: the name; then for each length i from
// 1, "*" and the last i characters, then the first i characters and "*";
// then for each start and length, "*", the characters there, "*". Keys
// longer than the longest pattern are skipped, so the cost is the name's
// length times the longest pattern's, not the name's length squared.
// `Patterns` is any set with Empty(), Longest() (no longer key can be
// found) and Contains(key): this set, or the dictionary's table.
template <class Patterns>
BOOL FindWildcardEntryIn(const Patterns& patterns, std::u16string_view name, std::u16string& matched,
                         WildcardSteps steps = WILDCARD_ALL) {
  if (patterns.Empty()) return FALSE;
  const std::size_t n = name.size();
  const std::size_t longest = patterns.Longest();
  // The keys are pieces of the name, which may be a password.
  std::u16string key;
  CWipeKeyBuffer wipeKey(key);
  key.reserve((n < longest ? n : longest) + 2);
  const auto found = [&] {
    if (!patterns.Contains(key)) return false;
    matched = key;
    return true;
  };

  if (steps == WILDCARD_ALL && patterns.Contains(name)) {
    matched.assign(name);
    return TRUE;
  }
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

// The same over a pattern set.
inline BOOL FindWildcardEntry(const CWildcardPatternSet& patterns, std::u16string_view name, std::u16string& matched,
                              WildcardSteps steps = WILDCARD_ALL) {
  return FindWildcardEntryIn(patterns, name, matched, steps);
}
