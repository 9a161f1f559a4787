// The message-of-the-day file that holds the password rules: read whole
// when it is smaller than 8192 bytes, and turned from UTF-8 into the text
// the rules dialog and link show.
#pragma once

#include <optional>
#include <string>

// Files of this many bytes or more are not read.
inline constexpr std::size_t MOTD_FILE_LIMIT = 8192;

// The file's text; nothing when it cannot be opened or read in full, or is
// too large.
std::optional<std::u16string> ReadMotdFile(const char16_t* path);
