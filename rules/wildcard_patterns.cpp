// Wildcard pattern sets and their lookup.
#include "rules/wildcard_patterns.h"

#include <algorithm>
#include <functional>

#include "platform/base/wipe.h"

std::size_t CWildcardPatternSet::Hash(std::u16string_view text) { return std::hash<std::u16string_view>{}(text); }

std::size_t CWildcardPatternSet::Find(std::u16string_view key, std::size_t hash) const {
  const std::size_t mask = m_slots.size() - 1;
  const std::uint64_t high = SlotFor(hash, 0) >> 32;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = m_slots[i];
    if (slot == 0) return i;
    if ((slot >> 32) == high && Text(m_entries[(slot & 0xFFFFFFFFu) - 1]) == key) return i;
  }
}

void CWildcardPatternSet::Place(const Span& span, std::size_t hash) {
  m_slots[Find(Text(span), hash)] = SlotFor(hash, m_entries.size());
  m_entries.push_back(span);
  m_longest = std::max(m_longest, span.length);
}

void CWildcardPatternSet::Resize(std::size_t slots) {
  m_slots.assign(slots, 0);
  const std::size_t mask = slots - 1;
  for (std::size_t index = 0; index < m_entries.size(); ++index) {
    const std::size_t hash = Hash(Text(m_entries[index]));
    std::size_t i = hash & mask;
    while (m_slots[i] != 0) i = (i + 1) & mask;
    m_slots[i] = SlotFor(hash, index);
  }
}

void CWildcardPatternSet::Insert(std::u16string_view pattern) {
  if (m_entries.size() >= kMaxEntries) return;
  const std::size_t hash = Hash(pattern);
  if (!m_slots.empty() && m_slots[Find(pattern, hash)] != 0) return;
  if ((m_entries.size() + 1) * 2 > m_slots.size()) Resize(std::max<std::size_t>(64, m_slots.size() * 2));
  const Span span{m_text.size(), pattern.size()};
  m_text.append(pattern);
  Place(span, hash);
}

void CWildcardPatternSet::Clear() {
  m_text.clear();
  m_entries.clear();
  m_slots.clear();
  m_longest = 0;
}

bool CWildcardPatternSet::Contains(std::u16string_view key) const {
  if (m_entries.empty() || key.size() > m_longest) return false;
  return m_slots[Find(key, Hash(key))] != 0;
}

CWipeKeyBuffer::~CWipeKeyBuffer() {
  m_key.resize(m_key.capacity());
  WipeString(m_key);
}
