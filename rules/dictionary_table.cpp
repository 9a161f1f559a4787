// The dictionary's table: one pass over the file's bytes that lower-cases
// each pattern line where it stands, hashes it and enters it, with the
// table reads of the next lines in flight.
#include "rules/dictionary_table.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

// How many lines wait for their slot while it is fetched: a slot read is a
// cache miss in a table of a million patterns.
constexpr std::size_t kInFlight = 16;
// Far beyond what memory holds, and within a slot's 40 bits of offset with
// room for the lines kept beside the file's bytes.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 37;

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t Load64(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

std::uint32_t Load32(const char* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}

// ASCII capitals of a word made small; other bytes, those outside ASCII
// included, stay.
std::uint64_t LowerAsciiWord(std::uint64_t w) {
  const std::uint64_t heptets = w & (0x7F * kOnes);
  const std::uint64_t atLeastA = heptets + (0x80 - 'A') * kOnes;
  const std::uint64_t pastZ = heptets + (0x7F - 'Z') * kOnes;
  const std::uint64_t upper = atLeastA & ~pastZ & ~w & kHighBits;
  return w | (upper >> 2);
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t w) {
  h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 32);
}

std::uint64_t Finish(std::uint64_t h) {
  h ^= h >> 29;
  h *= 0x94D049BB133111EBull;
  return h ^ (h >> 32);
}

// The bytes of a text shorter than 8 as one word: overlapping reads that
// together cover every byte, so equal lengths and words mean equal texts.
std::uint64_t ShortWord(const char* p, std::size_t n) {
  if (n >= 4) return Load32(p) | (static_cast<std::uint64_t>(Load32(p + n - 4)) << 32);
  if (n == 0) return 0;
  return static_cast<unsigned char>(p[0]) | (static_cast<std::uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8) |
         (static_cast<std::uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16);
}

std::uint64_t HashBytes(const char* p, std::size_t n) {
  std::uint64_t h = n * 0x9E3779B97F4A7C15ull;
  if (n < 8) return Finish(Mix(h, ShortWord(p, n)));
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) h = Mix(h, Load64(p + i));
  if (i < n) h = Mix(h, Load64(p + n - 8));
  return Finish(h);
}

// Lower-cases the ASCII capitals of n bytes in place and hashes them as
// HashBytes does; false, with the bytes partly lower-cased, when one lies
// outside ASCII.
bool LowerAndHashAscii(char* p, std::size_t n, std::uint64_t& hash) {
  std::uint64_t h = n * 0x9E3779B97F4A7C15ull;
  if (n < 8) {
    for (std::size_t i = 0; i < n; ++i) {
      const char c = p[i];
      if (static_cast<unsigned char>(c) >= 0x80) return false;
      if (c >= 'A' && c <= 'Z') p[i] = static_cast<char>(c + ('a' - 'A'));
    }
    hash = Finish(Mix(h, ShortWord(p, n)));
    return true;
  }
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const std::uint64_t w = Load64(p + i);
    if ((w & kHighBits) != 0) return false;
    const std::uint64_t lower = LowerAsciiWord(w);
    std::memcpy(p + i, &lower, 8);
    h = Mix(h, lower);
  }
  if (i < n) {
    // The last 8 bytes, some of them lower-cased already.
    const std::uint64_t w = Load64(p + n - 8);
    if ((w & kHighBits) != 0) return false;
    const std::uint64_t lower = LowerAsciiWord(w);
    std::memcpy(p + n - 8, &lower, 8);
    h = Mix(h, lower);
  }
  hash = Finish(h);
  return true;
}

bool IsAsciiPatternHead(char c) {
  return c == '*' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The number of line feeds in n bytes.
std::size_t CountLineFeeds(const char* p, std::size_t n) {
  std::size_t count = 0, i = 0;
#ifdef __SSE2__
  const __m128i feed = _mm_set1_epi8('\n');
  while (i + 16 <= n) {
    // At most 255 blocks before the byte counters are summed.
    __m128i counters = _mm_setzero_si128();
    const std::size_t blocks = std::min<std::size_t>((n - i) / 16, 255);
    for (std::size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(bytes, feed));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < n; ++i) count += p[i] == '\n';
  return count;
}

}  // namespace

bool IsDictionaryPatternLine(std::u16string_view line) {
  return !line.empty() && (line.front() == u'*' || IsDigitChar(line.front()) || IsAlphaChar(line.front()));
}

CDictionaryTable::~CDictionaryTable() {
  m_key.resize(m_key.capacity());
  WipeString(m_key);
}

std::string_view CDictionaryTable::Bytes(std::uint64_t offset, std::size_t length) const {
  if (offset < m_bytes.size()) return std::string_view(m_bytes).substr(offset, length);
  return std::string_view(m_spill).substr(offset - m_bytes.size(), length);
}

bool CDictionaryTable::Equals(std::uint64_t offset, std::string_view bytes) const {
  const std::size_t n = bytes.size();
  if (offset >= m_bytes.size()) {
    SpillHead head;
    const std::size_t at = offset - m_bytes.size();
    std::memcpy(&head, m_spill.data() + at - sizeof head, sizeof head);
    return head.length == n && std::memcmp(m_spill.data() + at, bytes.data(), n) == 0;
  }
  // A line in the file's bytes ends at its LF (or the file's end), a CR
  // before that not counted.
  const std::size_t size = m_bytes.size();
  if (n == 0 || offset + n > size) return false;
  const char* p = m_bytes.data() + offset;
  if (std::memcmp(p, bytes.data(), n) != 0) return false;
  const std::size_t end = offset + n;
  if (end == size || m_bytes[end] == '\n') return p[n - 1] != '\r';
  return m_bytes[end] == '\r' && (end + 1 == size || m_bytes[end + 1] == '\n');
}

std::size_t CDictionaryTable::Find(std::string_view bytes, std::uint64_t hash) const {
  const std::size_t mask = m_slots.size() - 1;
  const std::uint64_t tag = hash >> kOffsetBits;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = m_slots[i];
    if (slot == 0) return i;
    if ((slot >> kOffsetBits) == tag && Equals((slot & kOffsetMask) - 1, bytes)) return i;
  }
}

void CDictionaryTable::Insert(std::uint64_t hash, std::uint64_t offset, std::size_t length) {
  const std::size_t at = Find(Bytes(offset, length), hash);
  if (m_slots[at] != 0) return;  // written before
  m_slots[at] = ((hash >> kOffsetBits) << kOffsetBits) | (offset + 1);
  ++m_count;
  if (length > m_longest) m_longest = length;
}

bool CDictionaryTable::Load(std::string content) {
  m_bytes = std::move(content);
  m_spill.clear();
  m_count = 0;
  m_longest = 0;
  const std::size_t size = m_bytes.size();
  if (size > kMaxFileBytes) return false;
  char* const data = m_bytes.data();
  // Room for every line at most three quarters full.
  const std::size_t lines = CountLineFeeds(data, size) + 1;
  std::size_t slots = 16;
  while (slots / 4 * 3 < lines) slots *= 2;
  m_slots.assign(slots, 0);
  const std::size_t mask = slots - 1;

  struct Pending {
    std::uint64_t hash;
    std::uint64_t offset;
    std::size_t length;
  };
  Pending pending[kInFlight];
  std::size_t next = 0, waiting = 0;
  const auto enter = [&](std::uint64_t hash, std::uint64_t offset, std::size_t length) {
    __builtin_prefetch(&m_slots[hash & mask]);
    if (waiting == kInFlight) {
      Insert(pending[next].hash, pending[next].offset, pending[next].length);
    } else {
      ++waiting;
    }
    pending[next] = {hash, offset, length};
    next = (next + 1) % kInFlight;
  };

  std::size_t start = 0;
  while (start < size) {
    const void* feed = std::memchr(data + start, '\n', size - start);
    const std::size_t end = feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - data) : size;
    std::size_t length = end - start;
    if (length > 0 && data[end - 1] == '\r') --length;
    const std::size_t lineStart = start;
    start = end + 1;
    if (length == 0) continue;
    char* const line = data + lineStart;
    if (static_cast<unsigned char>(line[0]) < 0x80 && !IsAsciiPatternHead(line[0])) continue;
    std::uint64_t hash = 0;
    if (LowerAndHashAscii(line, length, hash)) {
      enter(hash, lineStart, length);
      continue;
    }
    // Outside ASCII: lower-cased through UTF-16 (the ASCII capitals made
    // small already read the same), and kept as that text's UTF-8, so that
    // equal texts are equal bytes.
    std::u16string text = LowerCase(Utf8ToUtf16(std::string_view(line, length)));
    if (!IsDictionaryPatternLine(text)) continue;
    const std::string bytes = Utf16ToUtf8(text);
    if (bytes.size() == length) {
      std::memcpy(line, bytes.data(), length);
      enter(HashBytes(line, length), lineStart, length);
      continue;
    }
    const SpillHead head{lineStart, bytes.size()};
    m_spill.append(reinterpret_cast<const char*>(&head), sizeof head);
    const std::uint64_t offset = size + m_spill.size();
    m_spill.append(bytes);
    if (offset + bytes.size() >= kOffsetMask) return false;
    enter(HashBytes(bytes.data(), bytes.size()), offset, bytes.size());
  }
  for (std::size_t i = 0; i < waiting; ++i) {
    const Pending& p = pending[(next + kInFlight - waiting + i) % kInFlight];
    Insert(p.hash, p.offset, p.length);
  }
  return true;
}

void CDictionaryTable::KeyBytes(std::u16string_view key) const {
  // A character takes at most 3 bytes per UTF-16 unit: the buffer never
  // moves (leaving a copy behind) while it holds the key.
  if (m_key.capacity() < 3 * key.size()) {
    m_key.resize(m_key.capacity());
    WipeString(m_key);
    m_key.reserve(3 * key.size());
  }
  m_key.resize(key.size());
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (key[i] >= 0x80) {
      std::string bytes = Utf16ToUtf8(key);
      m_key.assign(bytes);
      WipeString(bytes);
      return;
    }
    m_key[i] = static_cast<char>(key[i]);
  }
}

std::uint64_t CDictionaryTable::SlotOf(std::u16string_view key) const {
  // No pattern holds a line feed; a key that does could run on into the
  // next line of the file's bytes.
  if (m_count == 0 || key.size() > m_longest || key.find(u'\n') != std::u16string_view::npos) return 0;
  KeyBytes(key);
  return m_slots[Find(m_key, HashBytes(m_key.data(), m_key.size()))];
}

bool CDictionaryTable::Contains(std::u16string_view key) const { return SlotOf(key) != 0; }

std::uint64_t CDictionaryTable::LineOffset(std::uint64_t offset) const {
  if (offset < m_bytes.size()) return offset;
  SpillHead head;
  std::memcpy(&head, m_spill.data() + (offset - m_bytes.size()) - sizeof head, sizeof head);
  return head.lineOffset;
}

std::size_t CDictionaryTable::LineOf(std::u16string_view key) const {
  const std::uint64_t slot = SlotOf(key);
  if (slot == 0) return 0;
  return CountLineFeeds(m_bytes.data(), LineOffset((slot & kOffsetMask) - 1)) + 1;
}
