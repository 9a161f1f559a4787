// The question file's location, patterns and line kinds.
#include "RemoteSvr/question_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

#include "RemoteSvr/log_file.h"
#include "platform/base/byte_masks.h"
#include "platform/registry/registry.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

constexpr std::int32_t kFileTraceLevel = 9;

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The tests below run on every line of a large file: inline, they sit in
// the loop over its lines.

// Only a line whose keyword follows its leading blanks can fit the
// DOMAIN_ALIAS pattern. Every byte that may be part of a blank (any control
// byte, the space, any byte outside ASCII) is passed over, so no line that
// fits is turned away.
inline bool MayBeAliasLine(std::string_view line) {
  std::size_t head = 0;
  while (head < line.size() && (static_cast<unsigned char>(line[head]) <= 0x20 ||
                                static_cast<unsigned char>(line[head]) >= 0x80)) {
    ++head;
  }
  // The first byte turns away almost every other line.
  static constexpr std::string_view kKeyword = "DOMAIN_ALIAS";
  return head < line.size() && line[head] == kKeyword[0] && line.substr(head).starts_with(kKeyword);
}

// The first TAB among the line's whole blocks of 16 bytes, npos when none
// is there: a key is short, and a block or two looked at in place cost less
// than a call.
inline std::size_t TabInBlocks(std::string_view line) {
  for (std::size_t at = 0; at + SHORT_BYTE_MASK_BLOCK <= line.size(); at += SHORT_BYTE_MASK_BLOCK) {
    const unsigned tabs = ShortByteEqualMask(line.data() + at, '\t');
    if (tabs != 0) return at + static_cast<std::size_t>(std::countr_zero(tabs));
  }
  return std::string_view::npos;
}

// What the bytes before a key's TAB tell of whether it ends with a
// lower-cased text ignoring case. Lower-casing goes character by character
// and an ASCII byte is always a character of its own, so walking back from
// the TAB, a difference among ASCII bytes settles it; a byte outside ASCII
// leaves it to the key lower-cased whole.
enum class CKeyEnding { kDiffers, kEnds, kLowerWhole };
inline CKeyEnding TestKeyEnding(std::string_view line, std::size_t tab, std::string_view lowerEnding) {
  std::size_t k = tab;
  for (std::size_t e = lowerEnding.size(); e > 0; --e, --k) {
    if (k == 0) return CKeyEnding::kDiffers;
    const char c = line[k - 1];
    if (static_cast<unsigned char>(c) >= 0x80) return CKeyEnding::kLowerWhole;
    if (AsciiLower(c) != lowerEnding[e - 1]) return CKeyEnding::kDiffers;
  }
  return CKeyEnding::kEnds;
}

// Whether the line's key (the text before its first TAB; a line without
// one is neither a question nor a lock line) may end with `lowerEnding`
// ignoring case.
bool KeyMayEndWith(std::string_view line, std::string_view lowerEnding) {
  std::size_t tab = TabInBlocks(line);
  if (tab == std::string_view::npos) tab = line.find('\t', line.size() - line.size() % SHORT_BYTE_MASK_BLOCK);
  if (tab == std::string_view::npos) return false;
  switch (TestKeyEnding(line, tab, lowerEnding)) {
    case CKeyEnding::kDiffers:
      return false;
    case CKeyEnding::kEnds:
      return true;
    case CKeyEnding::kLowerWhole:
      break;
  }
  return LowerCase(line.substr(0, tab)).ends_with(lowerEnding);
}

bool WantedLine(std::string_view line, const CWantedLines& wanted) {
  return (wanted.aliasLines && MayBeAliasLine(line)) ||
         (wanted.keyEnding && KeyMayEndWith(line, *wanted.keyEnding));
}

// Most lines of a large file are told unwanted here, by tests that call
// nothing (and so cost no call's frame); the rest go to WantedLine.
inline bool SurelyUnwanted(std::string_view line, const CWantedLines& wanted) {
  if (wanted.aliasLines && MayBeAliasLine(line)) return false;
  if (!wanted.keyEnding) return true;
  const std::size_t tab = TabInBlocks(line);
  return tab != std::string_view::npos && TestKeyEnding(line, tab, *wanted.keyEnding) == CKeyEnding::kDiffers;
}

}  // namespace

const CQuestionFilePatterns& QuestionFilePatterns() {
  static const CQuestionFilePatterns* const patterns = new CQuestionFilePatterns;
  return *patterns;
}

std::string ReadDatabaseDirectory() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  BYTE data[256] = {};
  DWORD size = sizeof data;
  const LSTATUS status = RegQueryValueExA(key, "DatabasePath", nullptr, nullptr, data, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return {};
  const char* const text = reinterpret_cast<const char*>(data);
  return std::string(text, strnlen(text, size));
}

std::string DatabaseFilePath(const std::string& directory) {
  std::string path = directory;
  if (path.empty() || path.back() != '/') path += '/';
  path += DATABASE_FILE_NAME;
  return path;
}

bool IsWantedLine(std::string_view line, const CWantedLines& wanted) { return WantedLine(line, wanted); }

CLineSplitter::~CLineSplitter() { WipeString(partial); }

void CLineSplitter::Feed(std::string_view piece, const OnLine& onLine) {
  if (!started) {
    // The mark may come in more than one piece: hold no more than its bytes.
    static constexpr std::string_view kMark = "\xEF\xBB\xBF";
    const std::size_t take = std::min(piece.size(), kMark.size() - partial.size());
    partial.append(piece.substr(0, take));
    piece.remove_prefix(take);
    if (partial.size() < kMark.size() && kMark.substr(0, partial.size()) == partial) return;
    started = true;
    std::string head;
    head.swap(partial);
    if (head != kMark) FeedLines(head, onLine);
    WipeString(head);
  }
  FeedLines(piece, onLine);
}

void CLineSplitter::FeedLines(std::string_view piece, const OnLine& onLine) {
  // The line an earlier piece began.
  if (!partial.empty() || skipping) {
    const std::size_t end = piece.find('\n');
    const std::string_view segment = piece.substr(0, end);
    // A CR may follow the longest line before its LF.
    if (!skipping && partial.size() + segment.size() > MAX_DATABASE_LINE + 1) {
      DropLine();
      skipping = true;
    }
    if (end == std::string_view::npos) {
      if (!skipping) partial.append(segment);
      return;
    }
    piece.remove_prefix(end + 1);
    if (skipping) {
      skipping = false;
    } else {
      partial.append(segment);
      TakeLine(partial, onLine);
      WipeString(partial);
    }
  }
  // The lines whole within the piece, their ends found a block at a time
  // and then in the last bytes.
  std::size_t start = 0;
  for (std::size_t block = 0; block + BYTE_MASK_BLOCK <= piece.size(); block += BYTE_MASK_BLOCK) {
    for (std::uint64_t ends = ByteEqualMask(piece.data() + block, '\n'); ends != 0; ends &= ends - 1) {
      const std::size_t end = block + static_cast<std::size_t>(std::countr_zero(ends));
      TakeLine(std::string_view(piece.data() + start, end - start), onLine);
      start = end + 1;
    }
  }
  for (std::size_t end; (end = piece.find('\n', start)) != std::string_view::npos; start = end + 1) {
    TakeLine(std::string_view(piece.data() + start, end - start), onLine);
  }
  // The start of a line that a later piece ends.
  const std::string_view rest = piece.substr(start);
  if (rest.size() > MAX_DATABASE_LINE + 1) {
    DropLine();
    skipping = true;
  } else {
    partial.append(rest);
  }
}

inline void CLineSplitter::TakeLine(std::string_view line, const OnLine& onLine) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > MAX_DATABASE_LINE) {
    ++skipped;
    return;
  }
  if (wanted == nullptr || (!SurelyUnwanted(line, *wanted) && WantedLine(line, *wanted))) onLine(line);
}

void CLineSplitter::DropLine() {
  WipeString(partial);
  ++skipped;
}

void CLineSplitter::Finish(const OnLine& onLine) {
  started = true;
  if (skipping) {
    skipping = false;
    return;
  }
  if (partial.empty()) return;
  TakeLine(partial, onLine);
  WipeString(partial);
}

int OpenRegularFile(const std::string& path, int flags, int& error, mode_t mode) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    error = errno;
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(status.st_mode)) {
    error = EACCES;
    ::close(fd);
    return -1;
  }
  return fd;
}

bool ReadDatabaseLines(const std::string& path, bool traceLines, const CLineSplitter::OnLine& onLine,
                       const CWantedLines* wanted) {
  CLogFile& log = LogFile();
  log.Trace(kFileTraceLevel, "    Opening %s", path.c_str());
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    if (error == EACCES) log.Trace(kFileTraceLevel, "    Not a regular file, or not readable");
    return false;
  }
  const bool trace = traceLines && log.debugLevel >= kFileTraceLevel;
  const CLineSplitter::OnLine traced = [&](std::string_view line) {
    log.Trace(kFileTraceLevel, "    Read ..: %s", DescribeLine(line).c_str());
    if (wanted == nullptr || WantedLine(line, *wanted)) onLine(line);
  };
  const CLineSplitter::OnLine& each = trace ? traced : onLine;
  // Traced, every line comes to `traced`; otherwise the splitter passes over
  // the unwanted ones without a call.
  CLineSplitter splitter(trace ? nullptr : wanted);
  std::string chunk(1 << 16, '\0');
  bool failed = false;
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failed = true;
      break;
    }
    if (n == 0) break;
    splitter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)), each);
  }
  ::close(fd);
  splitter.Finish(each);
  WipeBytes(chunk.data(), chunk.size());
  if (splitter.SkippedLines() > 0) {
    log.Trace(kFileTraceLevel, "    Skipped %zu lines longer than %zu bytes", splitter.SkippedLines(),
              MAX_DATABASE_LINE);
  }
  if (failed) log.Trace(kFileTraceLevel, "    Error");
  return true;
}

bool HasQuestionLine(const std::string& path, std::string_view userKey) {
  if (path.empty()) return false;
  bool found = false;
  std::vector<std::string_view> fields;
  CWantedLines wanted;
  wanted.keyEnding = LowerCase(userKey);
  ReadDatabaseLines(
      path, false,
      [&](std::string_view line) {
        if (found) return;
        const std::size_t tab = line.find('\t');
        if (!SameTextIgnoringCase(line.substr(0, tab), userKey)) return;
        SplitFields(line, fields);
        found = fields.size() == 3 || fields.size() == 4;
      },
      &wanted);
  return found;
}

std::string DescribeLine(std::string_view line) {
  const CQuestionFilePatterns& patterns = QuestionFilePatterns();
  const std::string text(line);
  std::vector<std::string> groups;
  if (patterns.ldapDirectory.Match(text, groups)) return "LDAP_DIRECTORY " + groups[1] + " (directory line)";
  if (patterns.domainController.Match(text, groups) || patterns.minimumQuestions.Match(text, groups) ||
      patterns.answerQuestions.Match(text, groups) || patterns.maximumAttempts.Match(text, groups) ||
      patterns.domainAlias.Match(text, groups)) {
    return text;
  }
  std::vector<std::string_view> fields;
  SplitFields(line, fields);
  if (fields.size() == 2 && IsLockStatus(fields[1])) return text;
  if (fields.size() == 3 || fields.size() == 4) return std::string(fields[0]) + " (question line)";
  return "(line of " + std::to_string(fields.size()) + " fields)";
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  if (line.empty()) return;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) break;
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
}

bool IsLockStatus(std::string_view status) {
  const std::size_t end = status.find_first_of(" #");
  return SameTextIgnoringCase(status.substr(0, end), LOCKED_MARKER);
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
  }
  return LowerCase(a) == LowerCase(b);
}

void CDomainAliases::Offer(std::string_view line) {
  // Saves a pattern run on every question line of a large file.
  if (!MayBeAliasLine(line)) return;
  std::vector<std::string> groups;
  if (!QuestionFilePatterns().domainAlias.Match(std::string(line), groups)) return;
  aliases.push_back(CAlias{std::string(line), groups[1], groups[2]});
}

std::string CDomainAliases::Map(std::string_view domain, bool traceBlocks) const {
  CLogFile& log = LogFile();
  for (const CAlias& alias : aliases) {
    const bool maps = SameTextIgnoringCase(alias.from, domain);
    if (traceBlocks) {
      log.Trace(kFileTraceLevel, "Domain alias definition");
      log.Trace(kFileTraceLevel, "-----------------------");
      log.Trace(kFileTraceLevel, "    Line .......: %s", alias.line.c_str());
      log.Trace(kFileTraceLevel, "    Map from ...: %s", alias.from.c_str());
      log.Trace(kFileTraceLevel, "    Map to .....: %s", alias.to.c_str());
      log.Trace(kFileTraceLevel, "    Mapped .....: %s", maps ? "Yes" : "No");
      log.Trace(kFileTraceLevel, "%s", "");
    }
    if (maps) return alias.to;
  }
  return std::string(domain);
}

std::string MappedDomain(const std::string& path, std::string_view domain) {
  CDomainAliases aliases;
  CWantedLines wanted;
  wanted.aliasLines = true;
  ReadDatabaseLines(path, false, [&](std::string_view line) { aliases.Offer(line); }, &wanted);
  return aliases.Map(domain, false);
}

std::int32_t SettingsNumber(const std::string& digits) {
  std::int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

bool HasLineBreakOrTab(std::string_view text) { return text.find_first_of("\r\n\t") != std::string_view::npos; }
