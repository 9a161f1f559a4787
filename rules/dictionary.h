// The dictionary "MorrowenDictionary.txt": forbidden words and patterns, read
// afresh by every check. Called by the engine under its lock.
#pragma once

#include <string>
#include <string_view>

#include "platform/wintypes.h"

inline constexpr char DICTIONARY_FILE_NAME[] = "MorrowenDictionary.txt";

// TRUE when the password passes; FALSE, with the rejection in `message`,
// when it matches a pattern.
BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message);
