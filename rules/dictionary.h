// The dictionary "MorrowenDictionary.txt": forbidden words and patterns, read
// afresh by every check. Called by the engine under its lock.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/wintypes.h"
#include "rules/wildcard_patterns.h"

inline constexpr char DICTIONARY_FILE_NAME[] = "MorrowenDictionary.txt";

// TRUE when the password passes; FALSE, with the rejection in `message`,
// when it matches a pattern.
// Reads the dictionary's patterns, lower-cased, into `patterns` and logs how
// long that took; false (and a log line with the error) when the file cannot
// be read.
bool LoadDictionary(CWildcardPatternSet& patterns);

BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message);
