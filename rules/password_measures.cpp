// Character-class counts and shared runs.
#include "rules/password_measures.h"

#include <algorithm>
#include <string>

#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

bool IsSurrogatePair(std::u16string_view text, std::size_t i) {
  return i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}

// Reverses by code point, so a character outside the BMP stays one character.
std::u16string ReverseText(std::u16string_view text) {
  std::u16string reversed;
  reversed.reserve(text.size());
  for (std::size_t end = text.size(); end > 0;) {
    const std::size_t start = (end >= 2 && IsSurrogatePair(text, end - 2)) ? end - 2 : end - 1;
    reversed.append(text.substr(start, end - start));
    end = start;
  }
  return reversed;
}

int32_t ToInt32(std::size_t n) { return static_cast<int32_t>(std::min<std::size_t>(n, INT32_MAX)); }

}  // namespace

PasswordCounts CountPasswordCharacters(std::u16string_view password, std::unordered_set<char16_t>& characterMap) {
  PasswordCounts counts;
  std::size_t alphanumeric = 0;
  bool inInitialRun = true;
  bool inInitialDigits = true;
  characterMap.clear();
  for (const char16_t c : password) {
    const bool alnum = IsAlnumChar(c);
    const bool digit = IsDigitChar(c);
    inInitialRun = inInitialRun && alnum;
    inInitialDigits = inInitialDigits && digit;
    counts.initialRun += inInitialRun;
    counts.initialDigits += inInitialDigits;
    alphanumeric += alnum;
    counts.alphabetic += IsAlphaChar(c);
    counts.digits += digit;
    counts.lower += IsLowerChar(c);
    counts.upper += IsUpperChar(c);
    characterMap.insert(c);
  }
  counts.mixed = (counts.lower > 0 && counts.upper > 0) ? 1 : 0;
  counts.special = ToInt32(password.size() - alphanumeric);
  counts.unique = ToInt32(characterMap.size());
  counts.length = ToInt32(password.size());
  characterMap.clear();
  return counts;
}

std::int32_t ConsecutiveCharactersAlsoIn(std::u16string_view text, std::u16string_view password, bool reversed) {
  if (text.empty() || password.empty()) return 0;
  std::u16string lowerText = LowerCase(text);
  CWipeOnExit wipeText(lowerText);
  if (reversed) {
    std::u16string backwards = ReverseText(lowerText);
    WipeString(lowerText);
    lowerText = std::move(backwards);
  }
  std::u16string lowerPassword = LowerCase(password);
  CWipeOnExit wipePassword(lowerPassword);

  // A run only counts when it beats the best so far, so each start position
  // tries best + 1 first; every position, the last one included, is a start.
  std::size_t best = 0;
  const std::u16string_view pw(lowerPassword);
  for (std::size_t i = 0; i + best < pw.size(); ++i) {
    while (i + best + 1 <= pw.size() && lowerText.find(pw.substr(i, best + 1)) != std::u16string::npos) ++best;
  }
  return ToInt32(best);
}
