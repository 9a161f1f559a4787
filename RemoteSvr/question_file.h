// The question database file "Pellucor.txt": where it lies (the registry's
// DatabasePath), its six line patterns, reading it with the "Read ..:"
// traces, and the alias, question and lock lines that every lookup reads
// afresh. The settings it holds are database_settings.h; appending lock
// lines is failure_counts.h.
#pragma once

#include <cstdint>
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

// The file's bytes. Traces (level 9) "    Opening %s", with `traceLines`
// each line as "    Read ..: %s" in its safe form (DescribeLine), and
// "    Error" when reading failed part-way. A file that cannot be opened
// gives no content. The caller wipes the content when done (it holds
// answers).
std::string ReadDatabaseFile(const std::string& path, bool traceLines = true);

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
// platform/text.h; plain ASCII is compared without building copies).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// The target of the first DOMAIN_ALIAS line whose first name equals `domain`
// ignoring case, or `domain` itself when none does. With `traceBlocks` each
// alias line looked at is traced (level 9) as the lookup's
// "Domain alias definition" block.
std::string MapDomainAlias(std::string_view content, std::string_view domain, bool traceBlocks);

// A settings number: the decimal digits of a matched group, saturated at the
// largest signed 32-bit value.
std::int32_t SettingsNumber(const std::string& digits);

// Whether the user key holds a CR, LF or TAB: such a key could never be a
// question line's key, and written into a lock line it would forge lines.
bool HasLineBreakOrTab(std::string_view text);
