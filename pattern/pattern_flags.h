// The flag bits of a compiled pattern, as CPatternProgram::Compile takes them
// and as inline options ("(?i)") switch them inside a group.
#pragma once

#include <cstdint>

inline constexpr uint32_t PATTERN_DOT_ALL = 0x01;        // "." also matches a newline
inline constexpr uint32_t PATTERN_MULTI_LINE = 0x02;     // "^" and "$" also match at line breaks
inline constexpr uint32_t PATTERN_CONTINUE = 0x04;       // "\G" matches only at the search start
inline constexpr uint32_t PATTERN_IGNORE_CASE = 0x08;    // ASCII letters compare without case
inline constexpr uint32_t PATTERN_RIGHT_TO_LEFT = 0x10;  // matched, and searched, from the right
inline constexpr uint32_t PATTERN_EXTENDED = 0x20;       // blanks skipped, "#" comments
