// The pattern lexer: the scanning step byte by byte, escapes and quoting, and
// the number reader that the compiler shares for counts and group numbers.
#include "pattern/lexer.h"

namespace {

int32_t HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void CPatternLexer::Start(const uint8_t* pattern, int32_t length, uint32_t flags) {
  pattern_ = pattern;
  length_ = length < 0 ? 0 : length;
  flags_ = flags;
  scanPosition_ = 0;
  classDepth_ = 0;
  quoteMode_ = 0;
  caseMap_ = CASE_NONE;
  for (PatternToken& token : window_) token = PatternToken{0, 1, 0, 0};
  NextToken();
  NextToken();
  NextToken();
}

void CPatternLexer::NextToken() {
  window_[0] = window_[1];
  window_[1] = window_[2];
  window_[2] = window_[3];
  while (!ScanToken()) {
  }
}

void CPatternLexer::Abandon() {
  scanPosition_ = length_;
  for (int slot = 1; slot < 4; ++slot) window_[slot] = PatternToken{0, 1, length_, 0};
}

uint8_t CPatternLexer::MapCase(uint8_t c) const {
  if (caseMap_ == CASE_LOWER && c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c + 32);
  if (caseMap_ == CASE_UPPER && c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 32);
  return c;
}

bool CPatternLexer::Produce(int32_t ch, int32_t special, int32_t length) {
  window_[3] = PatternToken{ch, special, scanPosition_, length};
  scanPosition_ += length;
  return true;
}

bool CPatternLexer::ScanToken() {
  const int32_t position = scanPosition_;
  if (position >= length_) {
    window_[3] = PatternToken{0, 1, position, 0};
    return true;
  }
  const uint8_t c = pattern_[position];

  if (quoteMode_) {
    if (c == '\\' && ByteAt(position + 1) == 'E') {
      quoteMode_ = 0;
      caseMap_ = CASE_NONE;
      scanPosition_ += 2;
      return false;
    }
    return Produce(MapCase(c), 0, 1);
  }

  const bool extended = (flags_ & PATTERN_EXTENDED) != 0;
  const bool inClass = classDepth_ > 0;
  // The two tokens produced just before this one.
  const PatternToken& previous = window_[2];
  const PatternToken& beforePrevious = window_[1];

  switch (c) {
    case 9: case 10: case 11: case 12: case 13: case ' ':
      if (extended) {
        ++scanPosition_;
        return false;
      }
      return Produce(c, 0, 1);
    case '#':
      if (extended) {
        int32_t end = position;
        while (end < length_ && pattern_[end] != 10 && pattern_[end] != 13) ++end;
        scanPosition_ = end;
        return false;
      }
      return Produce(c, 0, 1);
    case '$': case ')': case '*': case '+': case '.': case '?': case '{': case '|': case '}':
      return Produce(c, inClass ? 0 : 1, 1);
    case '(':
      if (ByteAt(position + 1) == '?' && ByteAt(position + 2) == '#' && position + 2 < length_) {
        int32_t end = position + 3;
        while (end < length_ && pattern_[end] != ')') ++end;
        scanPosition_ = end < length_ ? end + 1 : end;
        return false;
      }
      return Produce(c, inClass ? 0 : 1, 1);
    case '-':
      return Produce(c, inClass ? 1 : 0, 1);
    case '[':
      if (!inClass) {
        classDepth_ = 1;
        return Produce(c, 1, 1);
      }
      if (ByteAt(position + 1) == ':' && position + 1 < length_) {
        ++classDepth_;
        return Produce(c, 1, 1);
      }
      return Produce(c, 0, 1);
    case ']':
      if (inClass) {
        --classDepth_;
        return Produce(c, 1, 1);
      }
      return Produce(c, 0, 1);
    case ':':
      return Produce(c, previous.IsSpecial('[') ? 1 : 0, 1);
    case '^':
      if (!inClass) return Produce(c, 1, 1);
      return Produce(c,
                     previous.IsSpecial('[') ||
                             (previous.IsSpecial(':') && beforePrevious.IsSpecial('['))
                         ? 1
                         : 0,
                     1);
    case '\\':
      return ScanEscape();
    default:  // NUL and every other byte, 128 to 255 included
      return Produce(c, 0, 1);
  }
}

bool CPatternLexer::ScanEscape() {
  const int32_t position = scanPosition_;
  if (position + 1 >= length_) return Produce('\\', 0, 1);
  const uint8_t e = pattern_[position + 1];
  if (IsPatternDigit(e)) return Produce('\\', 1, 1);  // the digits follow as literals
  switch (e) {
    case 0:
      return Produce(0, 0, 2);
    case 'A': case 'B': case 'D': case 'S': case 'W': case 'Z':
    case 'd': case 'g': case 'k': case 's': case 'w': case 'z':
      return Produce(e, 1, 2);
    case 'b':
      return classDepth_ > 0 ? Produce(8, 0, 2) : Produce('b', 1, 2);
    case 'G':
      if (classDepth_ > 0) {
        scanPosition_ += 2;
        return false;
      }
      return Produce('G', 1, 2);
    case 'Q': case 'L': case 'U':
      quoteMode_ = 1;
      caseMap_ = e == 'L' ? CASE_LOWER : e == 'U' ? CASE_UPPER : CASE_NONE;
      scanPosition_ += 2;
      return false;
    case 'E':
      quoteMode_ = 0;
      caseMap_ = CASE_NONE;
      scanPosition_ += 2;
      return false;
    case 'a': return Produce(7, 0, 2);
    case 'e': return Produce(27, 0, 2);
    case 'f': return Produce(12, 0, 2);
    case 'n': return Produce(10, 0, 2);
    case 'r': return Produce(13, 0, 2);
    case 't': return Produce(9, 0, 2);
    case 'v': return Produce(11, 0, 2);
    case 'x': return ScanHexEscape(2);
    case 'u': return ScanHexEscape(4);
    default:
      return Produce(e, 0, 2);
  }
}

// "\x" and "\u": up to maxDigits hexadecimal digits, or the brace form with up
// to 8 digits running to the next "}". The token is the low 8 bits.
bool CPatternLexer::ScanHexEscape(int32_t maxDigits) {
  const int32_t position = scanPosition_;
  const uint8_t letter = pattern_[position + 1];
  uint32_t value = 0;
  int32_t end = position + 2;
  if (ByteAt(end) == '{' && end < length_) {
    ++end;
    for (int32_t digits = 0; digits < 8 && end < length_ && HexValue(pattern_[end]) >= 0; ++digits)
      value = value * 16 + static_cast<uint32_t>(HexValue(pattern_[end++]));
    while (end < length_ && pattern_[end] != '}') ++end;
    if (end < length_) ++end;
    return Produce(static_cast<int32_t>(value & 0xff), 0, end - position);
  }
  int32_t digits = 0;
  while (digits < maxDigits && end < length_ && HexValue(pattern_[end]) >= 0) {
    value = value * 16 + static_cast<uint32_t>(HexValue(pattern_[end++]));
    ++digits;
  }
  if (digits == 0) return Produce(letter, 0, 2);
  return Produce(static_cast<int32_t>(value & 0xff), 0, end - position);
}

int ReadPatternNumber(const uint8_t* text, int32_t length, int32_t& position, int32_t& number) {
  int32_t at = position;
  while (at < length && IsPatternSpace(text[at])) ++at;
  if (at >= length || !IsPatternDigit(text[at])) return 0;
  int32_t value = 0;
  for (int digits = 0; digits < 3 && at < length && IsPatternDigit(text[at]); ++digits)
    value = value * 10 + (text[at++] - '0');
  while (at < length && IsPatternSpace(text[at])) ++at;
  position = at;
  number = value;
  return 1;
}

bool IsPatternNumber(const uint8_t* text, int32_t length, int32_t& number) {
  int32_t position = 0;
  int32_t value = 0;
  if (!ReadPatternNumber(text, length, position, value) || position != length) return false;
  number = value;
  return true;
}
