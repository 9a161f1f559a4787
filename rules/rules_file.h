// The rules file "MorrowenRules.txt": the grammar of one line and of a value
// read as a number. The engine (rule_engine.h) reads the file on every call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr char RULES_FILE_NAME[] = "MorrowenRules.txt";

struct RulesLine {
  std::u16string token;  // as written, case kept; empty for a TAB-led line
  std::u16string value;  // white space trimmed at both ends
};

// The setting a line holds; nothing for an empty line, a comment ("#" or a
// space first), or a line without a space.
std::optional<RulesLine> ParseRulesLine(std::u16string_view line);

// A value as a signed decimal: leading white space and a sign allowed,
// reading stops at the first non-digit, no digits read 0, and a number past
// the 32-bit range reads the nearest limit.
std::int32_t ReadRuleNumber(std::u16string_view value);

// Whether ReadRuleNumber finds a digit in the value: "8 # eight" and "-0" do,
// "yes", "" and "+" do not (they read 0 without being a number).
bool HoldsRuleNumber(std::u16string_view value);
