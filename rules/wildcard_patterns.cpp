// Wildcard pattern sets and their lookup.
#include "rules/wildcard_patterns.h"

#include <algorithm>
#include <functional>

#include "platform/base/wipe.h"

namespace {
// How many table reads the bulk load keeps in flight; a slot read is a
// cache miss in a table of a million patterns.
constexpr std::size_t kPrefetchDistance = 16;

// Wipes the whole buffer of a key that shrank and grew while pieces of a
// password passed through it, not only its last text.
class CWipeKeyBuffer {
 public:
  explicit CWipeKeyBuffer(std::u16string& key) : m_key(key) {}
  ~CWipeKeyBuffer() {
    m_key.resize(m_key.capacity());
    WipeString(m_key);
  }
  CWipeKeyBuffer(const CWipeKeyBuffer&) = delete;
  CWipeKeyBuffer& operator=(const CWipeKeyBuffer&) = delete;

 private:
  std::u16string& m_key;
};

}  // namespace

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

bool CWildcardPatternSet::Place(const Span& span, std::size_t hash, std::size_t position) {
  const std::size_t at = Find(Text(span), hash);
  if (m_slots[at] != 0) return false;
  m_slots[at] = SlotFor(hash, m_entries.size());
  m_entries.push_back(span);
  m_positions.push_back(static_cast<std::uint32_t>(position));
  m_longest = std::max(m_longest, span.length);
  return true;
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
  if (m_given >= kMaxEntries) return;
  const std::size_t position = m_given++;
  const std::size_t hash = Hash(pattern);
  if (!m_slots.empty() && m_slots[Find(pattern, hash)] != 0) return;
  if ((m_entries.size() + 1) * 2 > m_slots.size()) Resize(std::max<std::size_t>(64, m_slots.size() * 2));
  const Span span{m_text.size(), pattern.size()};
  m_text.append(pattern);
  Place(span, hash, position);
}

void CWildcardPatternSet::Assign(std::u16string text, const std::vector<Span>& spans) {
  Clear();
  m_text = std::move(text);
  const std::size_t count = std::min(spans.size(), kMaxEntries);
  std::size_t slots = 64;
  while (slots < count * 2) slots *= 2;
  m_slots.assign(slots, 0);
  m_positions.reserve(count);
  std::vector<std::size_t> hashes(count);
  for (std::size_t i = 0; i < count; ++i) hashes[i] = Hash(Text(spans[i]));
  const std::size_t mask = slots - 1;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kPrefetchDistance < count) __builtin_prefetch(&m_slots[hashes[i + kPrefetchDistance] & mask]);
    Place(spans[i], hashes[i], i);
  }
  m_given = count;
}

void CWildcardPatternSet::Clear() {
  m_text.clear();
  m_entries.clear();
  m_positions.clear();
  m_slots.clear();
  m_given = 0;
  m_longest = 0;
}

bool CWildcardPatternSet::Contains(std::u16string_view key) const {
  if (m_entries.empty() || key.size() > m_longest) return false;
  return m_slots[Find(key, Hash(key))] != 0;
}

std::size_t CWildcardPatternSet::Position(std::u16string_view key) const {
  if (m_entries.empty() || key.size() > m_longest) return npos;
  const std::uint64_t slot = m_slots[Find(key, Hash(key))];
  return slot == 0 ? npos : m_positions[(slot & 0xFFFFFFFFu) - 1];
}

BOOL FindWildcardEntry(const CWildcardPatternSet& patterns, std::u16string_view name, std::u16string& matched,
                       WildcardSteps steps) {
  if (patterns.Empty()) return FALSE;
  const std::size_t n = name.size();
  const std::size_t longest = patterns.Longest();
  // The keys are pieces of the name, which may be a password.
  std::u16string key;
  CWipeKeyBuffer wipeKey(key);
  key.reserve(std::min(n, longest) + 2);
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
