// What the rule table measures in a new password: the character-class counts
// and the longest runs it shares with the old password and the user's names.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_set>

struct PasswordCounts {
  std::int32_t initialRun = 0;     // leading letters and digits
  std::int32_t initialDigits = 0;  // leading decimal digits
  std::int32_t alphabetic = 0;
  std::int32_t digits = 0;
  std::int32_t lower = 0;
  std::int32_t upper = 0;
  std::int32_t mixed = 0;    // 1 when both cases occur
  std::int32_t special = 0;  // everything that is neither letter nor digit
  std::int32_t unique = 0;   // distinct 16-bit characters, case kept
  std::int32_t length = 0;
};

// Counts over the password as passed (no case folding); `characterMap` is the
// engine's scratch set, left empty.
PasswordCounts CountPasswordCharacters(std::u16string_view password, std::unordered_set<char16_t>& characterMap);

// The length of the longest run of password characters that also occurs in
// `text`, case ignored; with `reversed`, in `text` read backwards.
std::int32_t ConsecutiveCharactersAlsoIn(std::u16string_view text, std::u16string_view password, bool reversed);
