// The pattern lexer: turns pattern bytes into tokens for the compiler
// (compiler.cpp), which reads them through a window of one consumed token and
// three of look-ahead. It decides which bytes are metacharacters, resolves
// escapes and quoting, and skips comments.
#pragma once

#include <cstdint>

#include "pattern/pattern_flags.h"

struct PatternToken {
  int32_t ch;        // the byte; only the low 8 bits are meaningful
  int32_t special;   // 1 for a metacharacter or an escape letter of its own, 0 for a literal
  int32_t position;  // offset in the pattern of the token's first byte
  int32_t length;    // pattern bytes the token covers

  // Tokens compare by character and kind only.
  bool Is(uint8_t c, int32_t kind) const { return ch == c && special == kind; }
  bool IsSpecial(uint8_t c) const { return special != 0 && ch == c; }
  // The end token is the only special NUL.
  bool IsEnd() const { return special != 0 && ch == 0; }
};
static_assert(sizeof(PatternToken) == 16, "a token is four 32-bit fields");

class CPatternLexer {
 public:
  // Starts over on a pattern (read only within `length`; bytes beyond read
  // as 0) and fills the window with the first three tokens.
  void Start(const uint8_t* pattern, int32_t length, uint32_t flags);
  // Consumes the next token: the window moves up one, and one token is scanned.
  void NextToken();
  // Gives up on the rest of the pattern: from now on every token is the end token.
  void Abandon();

  const PatternToken& Last() const { return window_[0]; }
  const PatternToken& Next() const { return window_[1]; }
  const PatternToken& Second() const { return window_[2]; }
  const PatternToken& Third() const { return window_[3]; }

  const uint8_t* Pattern() const { return pattern_; }
  int32_t Length() const { return length_; }

 private:
  enum CaseMap { CASE_NONE, CASE_LOWER, CASE_UPPER };

  // One step: produces a token into the third look-ahead slot (true) or skips
  // pattern bytes without producing one (false).
  bool ScanToken();
  bool ScanEscape();
  bool ScanHexEscape(int32_t maxDigits);
  bool Produce(int32_t ch, int32_t special, int32_t length);
  uint8_t ByteAt(int32_t position) const {
    return position >= 0 && position < length_ ? pattern_[position] : 0;
  }
  uint8_t MapCase(uint8_t c) const;

  const uint8_t* pattern_ = nullptr;
  int32_t length_ = 0;
  PatternToken window_[4] = {};
  int32_t scanPosition_ = 0;
  int32_t classDepth_ = 0;
  int32_t quoteMode_ = 0;
  CaseMap caseMap_ = CASE_NONE;
  uint32_t flags_ = 0;
};

// Reads a number of at most 3 decimal digits from text[position..length):
// white space, digits, white space. On success moves position past all of it
// and returns 1; without a digit returns 0 and leaves position unchanged.
int ReadPatternNumber(const uint8_t* text, int32_t length, int32_t& position, int32_t& number);

// Whether the whole text is one such number (white space around it allowed).
bool IsPatternNumber(const uint8_t* text, int32_t length, int32_t& number);

inline bool IsPatternSpace(int32_t c) { return (c >= 9 && c <= 13) || c == ' '; }
inline bool IsPatternDigit(int32_t c) { return c >= '0' && c <= '9'; }
