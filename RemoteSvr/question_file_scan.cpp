// The question file's probing reader: pieces of the file are scanned 16
// bytes at a time for the first, last and next-to-last bytes of "suffix TAB",
// for the first and last bytes of the keyword, and for bytes outside ASCII;
// only a stretch with a hit is looked at closer.
#include "RemoteSvr/question_file_scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "RemoteSvr/log_file.h"
#include "platform/base/wipe.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::int32_t kFileTraceLevel = 9;
constexpr std::size_t kChunkBytes = 1 << 16;
constexpr std::size_t kStretch = 16;

// One byte to test at an offset from a candidate position: equal to
// `value` once OR-ed with `fold` (0x20 for a letter, so either case fits).
struct CProbe {
  std::size_t offset;
  unsigned char fold;
  unsigned char value;
};

CProbe ProbeAt(std::string_view text, std::size_t offset) {
  const auto c = static_cast<unsigned char>(text[offset]);
  const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return CProbe{offset, static_cast<unsigned char>(letter ? 0x20 : 0),
                static_cast<unsigned char>(letter ? (c | 0x20) : c)};
}

// The probes of one text: its first and last bytes, and with `nextToLast`
// the byte before the last (a user name's last character: names of one
// length differ most there).
std::vector<CProbe> ProbesOf(std::string_view text, bool ignoreCase, bool nextToLast) {
  std::vector<CProbe> probes;
  if (text.empty()) return probes;
  std::vector<std::size_t> offsets{0, text.size() - 1};
  if (nextToLast && text.size() >= 2) offsets.push_back(text.size() - 2);
  for (const std::size_t offset : offsets) {
    bool seen = false;
    for (const CProbe& probe : probes) seen = seen || probe.offset == offset;
    if (seen) continue;
    CProbe probe = ProbeAt(text, offset);
    if (!ignoreCase) probe = CProbe{offset, 0, static_cast<unsigned char>(text[offset])};
    probes.push_back(probe);
  }
  return probes;
}

// Bit i set when position i of the 16 bytes at p may start a wanted text
// (every probe of it fits), or holds a byte outside ASCII. The probes'
// bytes are spread over vectors once, so a stretch costs a few loads and
// compares.
class CStretchTest {
 public:
  static constexpr std::size_t kMaxProbes = 4;

  CStretchTest(const std::vector<CProbe>& keyword, const std::vector<CProbe>& suffix) {
    Take(keyword, m_keyword);
    Take(suffix, m_suffix);
  }

  std::size_t Reach() const { return m_reach; }

  unsigned Hits(const char* p) const {
#ifdef __SSE2__
    const __m128i any = _mm_or_si128(m_keyword.Fits(p), m_suffix.Fits(p));
    const __m128i own = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(any, own)));
#else
    unsigned hits = 0;
    for (std::size_t i = 0; i < kStretch; ++i) {
      const bool hit = static_cast<unsigned char>(p[i]) >= 0x80 || m_keyword.FitsAt(p + i) || m_suffix.FitsAt(p + i);
      hits |= static_cast<unsigned>(hit) << i;
    }
    return hits;
#endif
  }

 private:
  struct CProbeSet {
    std::size_t count = 0;
    CProbe probes[kMaxProbes] = {};
#ifdef __SSE2__
    __m128i fold[kMaxProbes] = {};
    __m128i value[kMaxProbes] = {};
    __m128i Probe(const char* p, std::size_t k) const {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probes[k].offset));
      return _mm_cmpeq_epi8(_mm_or_si128(bytes, fold[k]), value[k]);
    }
    // Unrolled for the usual counts: the loop's bookkeeping costs as much
    // as the probes.
    __m128i Fits(const char* p) const {
      switch (count) {
        case 0: return _mm_setzero_si128();
        case 1: return Probe(p, 0);
        case 2: return _mm_and_si128(Probe(p, 0), Probe(p, 1));
        case 3: return _mm_and_si128(_mm_and_si128(Probe(p, 0), Probe(p, 1)), Probe(p, 2));
        default:
          return _mm_and_si128(_mm_and_si128(Probe(p, 0), Probe(p, 1)), _mm_and_si128(Probe(p, 2), Probe(p, 3)));
      }
    }
#endif
    bool FitsAt(const char* p) const {
      bool all = count > 0;
      for (std::size_t k = 0; k < count && all; ++k)
        all = (static_cast<unsigned char>(p[probes[k].offset]) | probes[k].fold) == probes[k].value;
      return all;
    }
  };

  void Take(const std::vector<CProbe>& from, CProbeSet& set) {
    set.count = std::min(from.size(), kMaxProbes);
    for (std::size_t k = 0; k < set.count; ++k) {
      set.probes[k] = from[k];
#ifdef __SSE2__
      set.fold[k] = _mm_set1_epi8(static_cast<char>(from[k].fold));
      set.value[k] = _mm_set1_epi8(static_cast<char>(from[k].value));
#endif
      m_reach = std::max(m_reach, from[k].offset + 1);
    }
  }

  CProbeSet m_keyword;
  CProbeSet m_suffix;
  std::size_t m_reach = 0;
};

// Hands on the line around each hit of the complete lines at p (size bytes
// ending with a line end), from `from` on.
void HandOnHits(const CStretchTest& test, const char* p, std::size_t size, std::size_t from,
                const CLineSplitter::OnLine& onLine) {
  std::size_t done = from;  // lines before this are handled or skipped
  for (std::size_t at = from & ~(kStretch - 1); at < size; at += kStretch) {
    unsigned hits = test.Hits(p + at);
    while (hits != 0) {
      const std::size_t position = at + static_cast<std::size_t>(__builtin_ctz(hits));
      hits &= hits - 1;
      if (position < done || position >= size) continue;
      const void* before = position > done ? ::memrchr(p + done, '\n', position - done) : nullptr;
      const std::size_t start = before != nullptr ? static_cast<std::size_t>(static_cast<const char*>(before) - p) + 1 : done;
      const std::size_t end =
          static_cast<std::size_t>(static_cast<const char*>(std::memchr(p + position, '\n', size - position)) - p);
      done = end + 1;
      std::string_view line(p + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.size() <= MAX_DATABASE_LINE) onLine(line);
    }
  }
}

}  // namespace

bool ScanWantedDatabaseLines(const std::string& path, const CLineSieve& sieve, const CLineSplitter::OnLine& onLine) {
  CLogFile& log = LogFile();
  log.Trace(kFileTraceLevel, "    Opening %s", path.c_str());
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    if (error == EACCES) log.Trace(kFileTraceLevel, "    Not a regular file, or not readable");
    return false;
  }
  const CStretchTest test(ProbesOf(sieve.keyword, false, false),
                          sieve.keySuffix.empty() ? std::vector<CProbe>{} : ProbesOf(sieve.keySuffix + "\t", true, true));
  // The unfinished line carried over, a piece, and room for the probes to
  // read past the end.
  const std::size_t carry = MAX_DATABASE_LINE + 1;
  std::string buffer(carry + kChunkBytes + test.Reach() + 2 * kStretch, '\0');
  std::size_t carried = 0;
  bool skipping = false;  // within a line too long to keep
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
    const std::size_t size = carried + static_cast<std::size_t>(got);
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
      std::size_t from = start;
      if (skipping) from = static_cast<std::size_t>(static_cast<const char*>(std::memchr(data + start, '\n', lines - start)) - data) + 1;
      HandOnHits(test, data, lines, from, onLine);
      skipping = false;
      tail = lines;
    }
    const std::size_t rest = size - tail;
    if (skipping || rest > carry) {
      skipping = true;
      carried = 0;
    } else {
      std::memmove(buffer.data(), buffer.data() + tail, rest);
      carried = rest;
    }
  }
  ::close(fd);
  if (!failed && carried > 0 && !skipping) {
    std::string_view last(buffer.data(), carried);
    if (!markChecked && last.substr(0, 3) == "\xEF\xBB\xBF") last.remove_prefix(3);
    if (!last.empty() && last.back() == '\r') last.remove_suffix(1);
    if (!last.empty() && last.size() <= MAX_DATABASE_LINE) onLine(last);
  }
  OPENSSL_cleanse(buffer.data(), buffer.size());
  if (failed) log.Trace(kFileTraceLevel, "    Error");
  return true;
}

bool ReadWantedDatabaseLines(const std::string& path, bool traceLines, const CLineSieve& sieve,
                             const CLineSplitter::OnLine& onLine) {
  bool plain = LogFile().debugLevel >= kFileTraceLevel;
  for (const char c : sieve.keySuffix) plain = plain || static_cast<unsigned char>(c) >= 0x80 || c == '\t' || c == '\n';
  if (plain) return ReadDatabaseLines(path, traceLines, onLine);
  return ScanWantedDatabaseLines(path, sieve, onLine);
}
