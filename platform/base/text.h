// Text as every subsystem shares it: UTF-8 byte strings (the "ANSI code page"),
// UTF-16 wide strings, the one lower-casing and the character classes, all
// from a C.UTF-8 locale object so the process locale never matters.
#pragma once

#include <string>
#include <string_view>

// UTF-8 to UTF-16 that never loses a byte: a byte outside valid UTF-8 becomes
// the code unit of the same value. Three-byte surrogate forms decode to the
// surrogate, so unpaired surrogates survive a round trip.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate is written in the three-byte form.
std::string Utf16ToUtf8(std::u16string_view text);

// Simple Unicode lower-casing per code point. In the byte form, bytes that
// are not valid UTF-8 stay as they are.
std::u16string LowerCase(std::u16string_view text);
std::string LowerCase(std::string_view text);

// Character classes of one UTF-16 code unit (a lone surrogate is in none).
bool IsAlnumChar(char16_t c);
bool IsAlphaChar(char16_t c);
bool IsDigitChar(char16_t c);
bool IsLowerChar(char16_t c);
bool IsUpperChar(char16_t c);
bool IsSpaceChar(char16_t c);

// The offset at which to cut `text` so that at most `limit` bytes remain and no
// UTF-8 sequence is split.
std::size_t Utf8CutPoint(std::string_view text, std::size_t limit);
