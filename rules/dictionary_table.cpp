// The dictionary's table: the file's ASCII capitals made small and its
// lines counted 16 bytes at a time, then one pass over its lines that hashes
// each pattern line where it stands and enters it, with the table reads of
// the next lines in flight.
#include "rules/dictionary_table.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/base/byte_masks.h"
#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "platform/base/wipe.h"

namespace {

// How many lines wait for their slot while it is fetched: a slot read is a
// cache miss in a table of a million patterns.
constexpr std::size_t kInFlight = 16;
// Far beyond what memory holds, and within a slot's 40 bits of offset with
// room for the lines kept beside the file's bytes.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 37;
static_assert(kMaxFileBytes < (std::uint64_t{1} << 40) / 4, "a slot's offset must reach past the file's bytes");

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t Load64(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// The first n (at most 8) bytes of a word, the rest zero.
std::uint64_t Head(std::uint64_t w, std::size_t n) { return n >= 8 ? w : w & ((std::uint64_t{1} << (8 * n)) - 1); }

std::uint64_t Mix(std::uint64_t h, std::uint64_t w) {
  h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 32);
}

std::uint64_t Finish(std::uint64_t h) {
  h ^= h >> 29;
  h *= 0x94D049BB133111EBull;
  return h ^ (h >> 32);
}

// The hash of n bytes: their 8-byte words, the last one zero-padded, mixed
// in turn. `HashPadded` may read up to 7 bytes past the end; `HashBytes`
// reads only the n bytes, for the same result.
std::uint64_t HashPadded(const char* p, std::size_t n, std::uint64_t& highBits) {
  std::uint64_t h = n * 0x9E3779B97F4A7C15ull, high = 0;
  for (std::size_t i = 0; i < n; i += 8) {
    const std::uint64_t w = Head(Load64(p + i), n - i);
    high |= w;
    h = Mix(h, w);
  }
  highBits = high & kHighBits;
  return Finish(h);
}

std::uint64_t HashBytes(const char* p, std::size_t n) {
  std::uint64_t h = n * 0x9E3779B97F4A7C15ull;
  for (std::size_t i = 0; i < n; i += 8) {
    std::uint64_t w = 0;
    std::memcpy(&w, p + i, n - i < 8 ? n - i : 8);
    h = Mix(h, w);
  }
  return Finish(h);
}

// ASCII capitals made small in place, and the line feeds counted, over n
// bytes followed by at least 16 readable ones.
std::size_t LowerAsciiAndCountLines(char* p, std::size_t n) {
  std::size_t count = 0, i = 0;
#ifdef __SSE2__
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i capitalA = _mm_set1_epi8('A');
  const __m128i letters = _mm_set1_epi8(25);
  const __m128i caseBit = _mm_set1_epi8(0x20);
  while (i < n) {
    // At most 255 blocks before the byte counters are summed.
    __m128i counters = _mm_setzero_si128();
    for (int block = 0; block < 255 && i < n; ++block, i += 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i offset = _mm_sub_epi8(bytes, capitalA);
      const __m128i capital = _mm_cmpeq_epi8(_mm_min_epu8(offset, letters), offset);
      bytes = _mm_or_si128(bytes, _mm_and_si128(capital, caseBit));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), bytes);
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(bytes, feed));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
  // The bytes past n were zero, and stay zero, and hold no line feed.
#else
  for (; i < n; ++i) {
    if (p[i] >= 'A' && p[i] <= 'Z') p[i] = static_cast<char>(p[i] + ('a' - 'A'));
    count += p[i] == '\n';
  }
#endif
  return count;
}

// The number of line feeds in n bytes.
std::size_t CountLineFeeds(const char* p, std::size_t n) {
  std::size_t count = 0;
  for (const void* feed; n > 0 && (feed = std::memchr(p, '\n', n)) != nullptr;) {
    const std::size_t skip = static_cast<std::size_t>(static_cast<const char*>(feed) - p) + 1;
    p += skip;
    n -= skip;
    ++count;
  }
  return count;
}

bool IsAsciiPatternHead(char c) { return c == '*' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }

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
  const std::size_t mask = m_slotCount - 1;
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
}

bool CDictionaryTable::Read(const std::string& path) {
  m_spill.clear();
  m_count = 0;
  m_longest = 0;
  m_slots = nullptr;
  m_slotCount = 0;
  std::size_t size = 0;
  if (!ReadTextFile(path, m_file, size)) return false;
  m_bytes = std::string_view(m_file.Data(), size);
  if (!Load()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return true;
}

bool CDictionaryTable::Load() {
  const std::size_t size = m_bytes.size();
  if (size > kMaxFileBytes) return false;
  char* const data = m_file.Data();
  // Room for every line at most three quarters full.
  const std::size_t lines = LowerAsciiAndCountLines(data, size) + 1;
  std::size_t slots = 16;
  while (slots / 4 * 3 < lines) slots *= 2;
  if (!m_table.Allocate(slots * sizeof(std::uint64_t))) return false;
  m_slots = reinterpret_cast<std::uint64_t*>(m_table.Data());
  m_slotCount = slots;
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
  bool fits = true;
  // One line, its end removed: the ASCII capitals are small already.
  const auto line = [&](std::size_t start, std::size_t end) {
    std::size_t length = end - start;
    if (length > 0 && data[end - 1] == '\r') --length;
    if (length == 0) return;
    const char* const bytes = data + start;
    if (static_cast<unsigned char>(bytes[0]) < 0x80 && !IsAsciiPatternHead(bytes[0])) return;
    std::uint64_t high = 0;
    const std::uint64_t hash = HashPadded(bytes, length, high);
    if (high == 0) {
      m_longest = std::max(m_longest, length);
      enter(hash, start, length);
      return;
    }
    // Outside ASCII: lower-cased through UTF-16 (the ASCII capitals made
    // small already read the same), and kept as that text's UTF-8, so that
    // equal texts are equal bytes.
    const std::u16string text = LowerCase(Utf8ToUtf16(std::string_view(bytes, length)));
    if (!IsDictionaryPatternLine(text)) return;
    m_longest = std::max(m_longest, text.size());
    const std::string canonical = Utf16ToUtf8(text);
    if (canonical.size() == length) {
      std::memcpy(data + start, canonical.data(), length);
      enter(HashBytes(bytes, length), start, length);
      return;
    }
    const SpillHead head{start, canonical.size()};
    m_spill.append(reinterpret_cast<const char*>(&head), sizeof head);
    const std::uint64_t offset = size + m_spill.size();
    m_spill.append(canonical);
    if (offset + canonical.size() >= kOffsetMask) {
      fits = false;
      return;
    }
    enter(HashBytes(canonical.data(), canonical.size()), offset, canonical.size());
  };

  // Line ends a block of 64 bytes at a time. The slack past the file's
  // bytes is zero but for a line end given to a last line without one.
  if (size > 0 && data[size - 1] != '\n') data[size] = '\n';
  std::size_t start = 0;
  for (std::size_t block = 0; block <= size && fits; block += BYTE_MASK_BLOCK) {
    for (std::uint64_t ends = ByteEqualMask(data + block, '\n'); ends != 0; ends &= ends - 1) {
      const std::size_t end = block + static_cast<std::size_t>(__builtin_ctzll(ends));
      line(start, end);
      start = end + 1;
    }
  }
  for (std::size_t i = 0; i < waiting; ++i) {
    const Pending& p = pending[(next + kInFlight - waiting + i) % kInFlight];
    Insert(p.hash, p.offset, p.length);
  }
  return fits;
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
