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
// table of 8-byte slots points at them, so a dictionary of a million lines
// reloads with a handful of allocations and lookups take views.
class CWildcardPatternSet {
 public:
  // Where one pattern lies in a text of patterns.
  struct Span {
    std::size_t offset;
    std::size_t length;
  };

  // Adds a pattern; one already present is kept once.
  void Insert(std::u16string_view pattern);
  // Replaces the set with the patterns that `spans` mark in `text`, in one
  // pass that keeps many table reads in flight: the dictionary's reload.
  void Assign(std::u16string text, const std::vector<Span>& spans);
  void Clear();

  bool Empty() const { return m_entries.empty(); }
  std::size_t Size() const { return m_entries.size(); }
  bool Contains(std::u16string_view key) const;
  // Where the stored pattern equal to `key` stands among the patterns given
  // to Insert (one per call) or to Assign (its spans) since the last Clear:
  // a duplicate is found at its first place. npos when none is equal.
  std::size_t Position(std::u16string_view key) const;
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  // The longest pattern's length: no longer key can be found.
  std::size_t Longest() const { return m_longest; }

 private:
  // A slot holds the hash's high half and the entry's index plus one; 0 is empty.
  static constexpr std::size_t kMaxEntries = 0xFFFFFFFEu;
  static std::size_t Hash(std::u16string_view text);
  static std::uint64_t SlotFor(std::size_t hash, std::size_t index) {
    return (static_cast<std::uint64_t>(hash >> 32) << 32) | (index + 1);
  }
  std::u16string_view Text(const Span& span) const {
    return std::u16string_view(m_text).substr(span.offset, span.length);
  }
  // The slot that holds `key`, or the empty slot where it would go.
  std::size_t Find(std::u16string_view key, std::size_t hash) const;
  // Adds a pattern already in m_text, given at `position`; false when it
  // was there before.
  bool Place(const Span& span, std::size_t hash, std::size_t position);
  // A table of `slots` slots for the entries as they are.
  void Resize(std::size_t slots);

  std::u16string m_text;
  std::vector<Span> m_entries;
  // Each entry's place among the patterns given (kMaxEntries bounds it).
  std::vector<std::uint32_t> m_positions;
  std::size_t m_given = 0;
  std::vector<std::uint64_t> m_slots;
  std::size_t m_longest = 0;
};

// Which keys FindWildcardEntry tries.
enum WildcardSteps {
  WILDCARD_ALL,         // the name, then its prefix/suffix forms, then its infix forms
  WILDCARD_PAST_EXACT,  // only the prefix/suffix and infix forms
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
