// The dictionary's one-pass scan: blocks of 64 bytes are looked at through
// bit masks (line ends, and line heads that may start a key), so most lines
// cost a few bit operations.
#include "rules/dictionary_scan.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/byte_masks.h"
#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

// The piece read at a time: small enough to stay in the cache while it is
// scanned.
constexpr std::size_t kChunkBytes = 1 << 16;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Scans the complete lines of one piece of the file, line numbers counted
// on from the pieces before.
class CPieceScanner {
 public:
  CPieceScanner(const CDictionaryKeys& keys, CDictionaryHit& hit) : m_keys(keys), m_hit(hit) {}
  ~CPieceScanner() {
    m_line.resize(m_line.capacity());
    WipeString(m_line);
  }
  CPieceScanner(const CPieceScanner&) = delete;
  CPieceScanner& operator=(const CPieceScanner&) = delete;

  // `size` bytes at `p` ending with a line end, with 64 readable bytes past
  // them; `startsLine` is false when p is within a line skipped as too long.
  void ScanLines(const char* p, std::size_t size, bool startsLine);
  // A last line without an end.
  void ScanLastLine(std::string_view bytes) { Consider(bytes, m_linesBefore + 1); }

 private:
  void Consider(std::string_view bytes, std::size_t lineNumber);

  const CDictionaryKeys& m_keys;
  CDictionaryHit& m_hit;
  std::size_t m_linesBefore = 0;
  std::u16string m_line;
};

void CPieceScanner::ScanLines(const char* p, std::size_t size, bool startsLine) {
  const char first = m_keys.FirstByte();
  std::uint64_t carry = startsLine ? 1 : 0;
  for (std::size_t offset = 0; offset < size; offset += BYTE_MASK_BLOCK) {
    const char* block = p + offset;
    const std::size_t left = size - offset;
    const std::uint64_t valid = left >= BYTE_MASK_BLOCK ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
    const std::uint64_t ends = ByteEqualMask(block, '\n') & valid;
    const std::uint64_t starts = (ends << 1) | carry;
    carry = ends >> 63;
    std::uint64_t heads = ByteEqualMask(block, '*') | HighByteMask(block);
    if (first != 0) heads |= FoldedByteEqualMask(block, first);
    heads &= starts & valid;
    while (heads != 0) {
      const int bit = __builtin_ctzll(heads);
      heads &= heads - 1;
      const std::uint64_t after = ends & ~((std::uint64_t{1} << bit) - 1);
      const char* start = block + bit;
      const char* end = after != 0 ? block + __builtin_ctzll(after)
                                   : static_cast<const char*>(std::memchr(block + BYTE_MASK_BLOCK, '\n',
                                                                          size - offset - BYTE_MASK_BLOCK));
      std::string_view bytes(start, static_cast<std::size_t>(end - start));
      if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
      if (!m_keys.MayBeKey(bytes)) continue;
      const std::uint64_t before = ends & ((std::uint64_t{1} << bit) - 1);
      Consider(bytes, m_linesBefore + static_cast<std::size_t>(CountBits(before)) + 1);
    }
    m_linesBefore += static_cast<std::size_t>(CountBits(ends));
  }
}

void CPieceScanner::Consider(std::string_view bytes, std::size_t lineNumber) {
  m_line.clear();
  AppendLowerLine(bytes, m_line);
  if (!IsDictionaryPatternLine(m_line)) return;
  const std::uint64_t rank = m_keys.Rank(m_line);
  if (rank >= m_hit.rank) return;
  m_hit.rank = rank;
  m_hit.line = lineNumber;
  WipeString(m_hit.pattern);
  m_hit.pattern = m_line;
}

}  // namespace

bool IsDictionaryPatternLine(std::u16string_view line) {
  return !line.empty() && (line.front() == u'*' || IsDigitChar(line.front()) || IsAlphaChar(line.front()));
}

void AppendLowerLine(std::string_view bytes, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      out.resize(start);
      out.append(LowerCase(Utf8ToUtf16(bytes)));
      return;
    }
    out[start + i] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  }
}

CDictionaryKeys::CDictionaryKeys(std::u16string_view password) : m_password(password) {
  if (!password.empty() && password.front() < 128) m_firstByte = static_cast<char>(password.front());
  for (std::size_t i = 0; i < password.size(); ++i) {
    const char16_t c = password[i];
    if (c < 128) m_chars[c >> 6] |= std::uint64_t{1} << (c & 63);
    if (i + 1 < password.size() && c < 128 && password[i + 1] < 128) {
      const char16_t d = password[i + 1];
      m_pairs[(c << 1) | (d >> 6)] |= std::uint64_t{1} << (d & 63);
    }
  }
}

std::uint64_t CDictionaryKeys::Rank(std::u16string_view line) const {
  const std::u16string_view p = m_password;
  const std::size_t n = p.size(), m = line.size();
  if (line == p) return 0;
  // "*" and the last i characters (i = m - 1), then the first i and "*".
  if (m >= 2 && m - 1 <= n) {
    const std::size_t i = m - 1;
    if (line.front() == u'*' && p.substr(n - i) == line.substr(1)) return 1 + 2 * (i - 1);
    if (line.back() == u'*' && p.substr(0, i) == line.substr(0, i)) return 2 + 2 * (i - 1);
  }
  // "*", the k characters at the first j where they stand, "*".
  if (m >= 3 && m - 2 <= n && line.front() == u'*' && line.back() == u'*') {
    const std::size_t j = p.find(line.substr(1, m - 2));
    if (j != std::u16string_view::npos) return 1 + 2 * n + j * (n + 1) + (m - 2);
  }
  return NONE;
}

bool CDictionaryKeys::MayBeKey(std::string_view bytes) const {
  const std::size_t size = bytes.size();
  const std::size_t n = m_password.size();
  if (size == 0 || size > LongestKeyBytes()) return false;
  // The bytes looked at must be characters of their own for the tests below.
  const std::size_t look = size < 3 ? size : 3;
  for (std::size_t i = 0; i < look; ++i) {
    if (IsHigh(bytes[i])) return true;
  }
  if (IsHigh(bytes.back())) return true;
  const char head = LowerAscii(bytes[0]);
  const char tail = LowerAscii(bytes.back());
  const char16_t last = n > 0 ? m_password.back() : 0;
  bool may = false;
  if (head == '*') {
    if (size == 1) {
      may = n == 1 && m_password[0] == u'*';
    } else {
      may = n > 0 && tail == last;
      if (!may && tail == '*' && size >= 3) {
        may = size == 3 ? HasChar(static_cast<unsigned char>(LowerAscii(bytes[1])))
                        : HasPair(static_cast<unsigned char>(LowerAscii(bytes[1])),
                                  static_cast<unsigned char>(LowerAscii(bytes[2])));
      }
    }
  }
  if (!may && n > 0 && head == m_password[0]) {
    // The password itself, or its first size - 1 characters and "*": from
    // three bytes on, the second is the password's second.
    may = tail == '*' || tail == last;
    if (may && size >= 3) may = n >= 2 && LowerAscii(bytes[1]) == m_password[1];
  }
  if (!may) return false;
  // Only now the lengths: bytes outside ASCII make fewer characters.
  for (const char c : bytes) {
    if (IsHigh(c)) return true;
  }
  return size <= n + 2;
}

CDictionaryHit::~CDictionaryHit() { WipeString(pattern); }

bool ScanDictionary(int fd, const CDictionaryKeys& keys, CDictionaryHit& hit) {
  const std::size_t keep = keys.LongestKeyBytes();
  // A piece, the start of a line carried over from the piece before, and
  // room for the block masks to read past the end.
  std::string buffer(keep + kChunkBytes + 2 * BYTE_MASK_BLOCK, '\0');
  CPieceScanner scanner(keys, hit);
  std::size_t carried = 0;    // bytes of an unfinished line at the front
  bool skipping = false;      // within a line too long to be a key
  bool markChecked = false;
  bool failed = false;
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data() + carried, kChunkBytes);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failed = true;
      break;
    }
    if (got == 0) break;
    std::size_t size = carried + static_cast<std::size_t>(got);
    std::size_t start = 0;
    if (!markChecked) {
      if (size < 3) {
        carried = size;
        continue;
      }
      markChecked = true;
      if (std::memcmp(buffer.data(), "\xEF\xBB\xBF", 3) == 0) start = 3;
    }
    const char* data = buffer.data();
    const void* lastEnd = ::memrchr(data + start, '\n', size - start);
    std::size_t tail = start;
    if (lastEnd != nullptr) {
      const std::size_t lines = static_cast<std::size_t>(static_cast<const char*>(lastEnd) - data) + 1;
      scanner.ScanLines(data + start, lines - start, !skipping);
      skipping = false;
      tail = lines;
    }
    const std::size_t rest = size - tail;
    if (skipping || rest > keep) {
      skipping = true;
      carried = 0;
    } else {
      std::memmove(buffer.data(), buffer.data() + tail, rest);
      carried = rest;
    }
  }
  if (!failed && carried > 0 && !skipping) {
    std::string_view last(buffer.data(), carried);
    if (!markChecked && last.substr(0, 3) == "\xEF\xBB\xBF") last.remove_prefix(3);
    if (!last.empty() && last.back() == '\r') last.remove_suffix(1);
    scanner.ScanLastLine(last);
  }
  OPENSSL_cleanse(buffer.data(), buffer.size());
  if (failed) SetLastErrorFromErrno();
  return !failed;
}
