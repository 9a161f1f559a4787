// The dictionary "MorrowenDictionary.txt": forbidden words and patterns, read
// afresh by every check. Called by the engine under its lock.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

inline constexpr char DICTIONARY_FILE_NAME[] = "MorrowenDictionary.txt";

// The dictionary's path in the system directory.
std::string DictionaryPath();

// What one check needs of the dictionary for a lower-cased password: the
// number of distinct patterns, whether the password is one of them, and the
// first pattern in FindWildcardEntry's order that matches it, with the line
// where that pattern is first written.
struct CDictionaryVerdict {
  std::size_t entries = 0;
  bool found = false;
  bool exact = false;
  std::u16string pattern;
  std::size_t line = 0;
  ~CDictionaryVerdict();
};

// Reads the file once and judges the password against it (dictionary_table.h).
// False, with the last-error code set, when the file cannot be read. Logs
// nothing.
bool ReadDictionaryVerdict(const std::string& path, std::u16string_view password, CDictionaryVerdict& verdict);

// TRUE when the password passes; FALSE, with the rejection in `message`,
// when it matches a pattern. The rejection and the log name the pattern, or
// "line N" for an entry that holds the whole password: the log never shows
// a password, and neither does a reply that carries the message.
BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message);
