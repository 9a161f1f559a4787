// The dictionary "MorrowenDictionary.txt": forbidden words and patterns, read
// afresh by every check. Called by the engine under its lock.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"
#include "rules/wildcard_patterns.h"

inline constexpr char DICTIONARY_FILE_NAME[] = "MorrowenDictionary.txt";

// Reads the dictionary's patterns, lower-cased, into `patterns` and logs how
// long that took; false (and a log line with the error) when the file cannot
// be read. `lines` gets the file's line number (from 1) of each pattern line
// in file order, so lines[patterns.Position(p)] is where p is written.
bool LoadDictionary(CWildcardPatternSet& patterns, std::vector<std::size_t>& lines);

// TRUE when the password passes; FALSE, with the rejection in `message`,
// when it matches a pattern. The rejection and the log name the pattern, or
// "line N" for an entry that holds the whole password: the log never shows
// a password, and neither does a reply that carries the message.
BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message);
