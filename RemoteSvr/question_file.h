// The question database file "Pellucor.txt": where it lies (the registry's
// DatabasePath), its six line patterns, reading it with the "Read ..:"
// traces, and the alias, question and lock lines that every lookup reads
// afresh. The settings it holds are database_settings.h; appending lock
// lines is failure_counts.h.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/pattern.h"

inline constexpr char DATABASE_FILE_NAME[] = "Pellucor.txt";
inline constexpr char PRODUCT_KEY[] = "Software\\Varnok AG\\Varnok Password Reset";
inline constexpr char LOCKED_MARKER[] = "{{LOCKED}}";

inline constexpr char DOMAIN_CONTROLLER_PATTERN[] = "^\\s*DOMAIN_CONTROLLER\\s+(\\S+)\\s+(\\S+)\\s*$";
inline constexpr char MINIMUM_QUESTIONS_PATTERN[] = "^\\s*MINIMUM_QUESTIONS\\s+(\\d+)\\s*$";
inline constexpr char ANSWER_QUESTIONS_PATTERN[] = "^\\s*ANSWER_QUESTIONS\\s+(\\d+)\\s*$";
inline constexpr char MAXIMUM_ATTEMPTS_PATTERN[] = "^\\s*MAXIMUM_ATTEMPTS\\s+(\\d+)\\s*$";
inline constexpr char LDAP_DIRECTORY_PATTERN[] =
    "^\\s*LDAP_DIRECTORY\\s+(\"[^\"]*\"|\\S+)\\s+(\"[^\"]*\"|\\S+)(\\s+(\"[^\"]*\"|\\S+))?"
    "(\\s+(\"[^\"]*\"|\\S+))?(\\s+(\"[^\"]*\"|\\S+))?\\s*$";
inline constexpr char DOMAIN_ALIAS_PATTERN[] = "^\\s*DOMAIN_ALIAS\\s+(\\S+)\\s+(\\S+)\\s*$";

// The six patterns, compiled case-sensitive once for the process; matching
// is safe from every connection thread at once.
struct CQuestionFilePatterns {
  CPattern domainController{DOMAIN_CONTROLLER_PATTERN, 1};
  CPattern minimumQuestions{MINIMUM_QUESTIONS_PATTERN, 1};
  CPattern answerQuestions{ANSWER_QUESTIONS_PATTERN, 1};
  CPattern maximumAttempts{MAXIMUM_ATTEMPTS_PATTERN, 1};
  CPattern ldapDirectory{LDAP_DIRECTORY_PATTERN, 1};
  CPattern domainAlias{DOMAIN_ALIAS_PATTERN, 1};
};
const CQuestionFilePatterns& QuestionFilePatterns();

// The registry's DatabasePath (any value type, at most 255 bytes, up to its
// first zero); empty when the key or value is missing.
std::string ReadDatabaseDirectory();
// The directory, a "/" unless it ends with one, and "Pellucor.txt".
std::string DatabaseFilePath(const std::string& directory);

// The longest line the file may hold, line end not counted. The widest line
// that can mean something is a question line whose key is a full domain
// field, a backslash and a full user name field, and whose question, answer
// and hint fill their fields: 255 + 1 + 255 + 3 x (1 + 255) = 1279 bytes (an
// LDAP_DIRECTORY line of five quoted words as wide is 1304). The bound leaves
// room for the blanks the patterns allow around words; a longer line is
// skipped whole and never held in memory.
inline constexpr std::size_t MAX_DATABASE_LINE = 4096;

// The lines a reader needs of the file, told cheaply from the rest of a
// large file: each may still be none of them, but no line that is one is
// left out.
struct CWantedLines {
  // Lines that may fit the DOMAIN_ALIAS pattern.
  bool aliasLines = false;
  // Lower-cased (LowerCase): lines whose key may end with it ignoring case.
  std::optional<std::string> keyEnding;
};
bool IsWantedLine(std::string_view line, const CWantedLines& wanted);

// Splits bytes that arrive in pieces into lines: LF and CR LF ends alike,
// a last line without an end counts, a leading UTF-8 byte-order mark is
// dropped, a line longer than MAX_DATABASE_LINE is skipped (and counted).
// With `wanted`, only the wanted lines are handed on. What it keeps of a
// broken line is wiped when it goes.
class CLineSplitter {
 public:
  using OnLine = std::function<void(std::string_view)>;
  explicit CLineSplitter(const CWantedLines* wanted = nullptr) : wanted(wanted) {}
  ~CLineSplitter();
  void Feed(std::string_view piece, const OnLine& onLine);
  void Finish(const OnLine& onLine);
  // How many lines were skipped as too long.
  std::size_t SkippedLines() const { return skipped; }

 private:
  void FeedLines(std::string_view piece, const OnLine& onLine);
  // A whole line, its end not yet taken off: skipped when too long, handed
  // on when wanted.
  void TakeLine(std::string_view line, const OnLine& onLine);
  // The current line is too long: drops what is kept of it and counts it.
  void DropLine();

  const CWantedLines* wanted;
  std::string partial;  // at most MAX_DATABASE_LINE + 1 bytes (a CR may follow)
  bool started = false;
  bool skipping = false;  // inside a line that is too long, until its end
  std::size_t skipped = 0;
};

// Opens `path` with `flags` (O_CLOEXEC and O_NONBLOCK added, so a FIFO in
// its place never waits for a writer) when it is a regular file. The
// descriptor, or -1 with the errno in `error` (EACCES for a file of any
// other kind).
int OpenRegularFile(const std::string& path, int flags, int& error, mode_t mode = 0);

// Reads the file line by line in pieces, so a large file never sits in
// memory whole. Traces (level 9) "    Opening %s", with `traceLines` each
// line as "    Read ..: %s" in its safe form (DescribeLine), the count of
// lines skipped as too long, and "    Error" when reading failed part-way
// (the lines read so far count). Every line is traced, but with `wanted`
// only the wanted lines are handed on. False, with no line, when the file
// cannot be opened or is not a regular file.
bool ReadDatabaseLines(const std::string& path, bool traceLines, const CLineSplitter::OnLine& onLine,
                       const CWantedLines* wanted = nullptr);

// Whether the file holds a question line (3 or 4 fields) whose key equals
// `userKey` ignoring case. False when `path` is empty or cannot be read.
bool HasQuestionLine(const std::string& path, std::string_view userKey);

// A line as the "Read ..:" trace may show it: settings, alias and lock lines
// as they stand, an LDAP_DIRECTORY line by its name only (it may hold a
// password), a question line by its key and kind (it holds an answer), and
// any other line by its kind alone.
std::string DescribeLine(std::string_view line);

// One line split at TAB: every TAB ends a field (empty ones count); a line
// without TAB is one field. Views into `line`.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields);

// A lock line's status: the text up to its first blank or "#" equals
// "{{LOCKED}}" ignoring case.
bool IsLockStatus(std::string_view status);

// Whether two texts are equal ignoring case (the one lower-casing of
// platform/base/text.h; plain ASCII is compared without building copies).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// The DOMAIN_ALIAS lines of one reading of the file, in file order.
class CDomainAliases {
 public:
  // Keeps the line when it fits the DOMAIN_ALIAS pattern.
  void Offer(std::string_view line);
  // The target of the first alias line whose first name equals `domain`
  // ignoring case, or `domain` itself when none does. With `traceBlocks`
  // each alias line looked at is traced (level 9) as the lookup's
  // "Domain alias definition" block.
  std::string Map(std::string_view domain, bool traceBlocks) const;

 private:
  struct CAlias {
    std::string line, from, to;
  };
  std::vector<CAlias> aliases;
};

// The domain through the alias lines of the file at `path` (read afresh,
// only "    Opening %s" traced).
std::string MappedDomain(const std::string& path, std::string_view domain);

// A settings number: the decimal digits of a matched group, saturated at the
// largest signed 32-bit value.
std::int32_t SettingsNumber(const std::string& digits);

// Whether the user key holds a CR, LF or TAB: such a key could never be a
// question line's key, and written into a lock line it would forge lines.
bool HasLineBreakOrTab(std::string_view text);
