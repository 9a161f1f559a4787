// Character sets and POSIX classes, and the class builder: ".", the class
// escapes, "[...]" with ranges, singles, nested escapes and "[:name:]", and
// the widening of a set under PATTERN_IGNORE_CASE.
#include "pattern/char_class.h"

#include <cstring>

#include "pattern/pattern_program.h"

// ---- matching ----------------------------------------------------------

bool CByteClassElement::MatchNext(CMatchContext& context) const {
  context.position += rightToLeft ? 1 : -1;
  return false;
}

// Ranges compare bytes as unsigned values 0 .. 255, so "[\x00-\xff]" holds
// every byte and a range whose ends are reversed, such as "[\x80-\x10]", is
// empty.
bool CCharSetElement::IsMember(uint8_t byte) const {
  for (int32_t i = 0; i + 1 < ranges.Count(); i += 2)
    if (ranges[i] <= byte && byte <= ranges[i + 1]) return true;
  for (int32_t i = 0; i < singles.Count(); ++i)
    if (singles[i] == byte) return true;
  for (int32_t i = 0; i < subElements.Count(); ++i)
    if (subElements[i]->AcceptsByte(byte)) return true;
  return false;
}

void CCharSetElement::Seal() {
  std::memset(accepted_, 0, sizeof accepted_);
  for (int32_t byte = 0; byte < 256; ++byte)
    if (IsMember(static_cast<uint8_t>(byte)) == (positive != 0))
      accepted_[byte >> 6] |= uint64_t{1} << (byte & 63);
}

// ---- POSIX class names -------------------------------------------------

namespace {

bool IsUpper(uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(uint8_t c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsAlpha(uint8_t c) { return IsUpper(c) || IsLower(c); }
bool IsAlnum(uint8_t c) { return IsAlpha(c) || IsDigit(c); }
bool IsAscii(uint8_t c) { return c <= 127; }
bool IsCntrl(uint8_t c) { return c <= 31 || c == 127; }
bool IsGraph(uint8_t c) { return c >= 33 && c <= 126; }
bool IsPrint(uint8_t c) { return c >= 32 && c <= 126; }
bool IsPunct(uint8_t c) { return IsGraph(c) && !IsAlnum(c); }
bool IsSpace(uint8_t c) { return (c >= 9 && c <= 13) || c == 32; }
bool IsXDigit(uint8_t c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsBlank(uint8_t c) { return c == 32 || c == 9; }

struct PosixClassName {
  const char* name;  // with its closing ":"; compared over 6 bytes, 7 for "xdigit:"
  PosixClassRoutine routine;
};

constexpr PosixClassName kPosixClasses[] = {
    {"alnum:", IsAlnum}, {"alpha:", IsAlpha}, {"ascii:", IsAscii},   {"cntrl:", IsCntrl},
    {"digit:", IsDigit}, {"graph:", IsGraph}, {"lower:", IsLower},   {"print:", IsPrint},
    {"punct:", IsPunct}, {"space:", IsSpace}, {"upper:", IsUpper},   {"xdigit:", IsXDigit},
    {"blank:", IsBlank},
};

}  // namespace

PosixClassRoutine FindPosixClass(const uint8_t* name, int32_t length) {
  for (const PosixClassName& entry : kPosixClasses) {
    const int32_t compared = static_cast<int32_t>(std::strlen(entry.name));
    if (length >= compared && std::memcmp(name, entry.name, static_cast<size_t>(compared)) == 0)
      return entry.routine;
  }
  return nullptr;
}

// ---- the class builder -------------------------------------------------

CPatternElement* CPatternProgram::ParseClass(uint32_t& flags) {
  const PatternToken token = lexer_.Next();
  if (!token.special) return GetStockElement(0);
  const int32_t shift = (flags & PATTERN_RIGHT_TO_LEFT) ? 8 : 0;
  switch (token.ch) {
    case '.':
      Consume();
      return GetStockElement(((flags & PATTERN_DOT_ALL) ? 1 : 2) + shift);
    case 'w': case 'W': case 's': case 'S': case 'd': case 'D':
      return ParseClassMember(flags);
    case '[':
      Consume();
      if (lexer_.Next().IsSpecial(':')) return ParsePosixClass(flags);
      return ParseBracketClass(flags);
    default:
      Consume();
      return GetStockElement(0);
  }
}

// A class escape, or "[:name:]" inside brackets: the stock set or the POSIX
// class that a set holds as a sub-element.
CByteClassElement* CPatternProgram::ParseClassMember(uint32_t flags) {
  const PatternToken token = lexer_.Next();
  Consume();
  if (token.IsSpecial('[')) return ParsePosixClass(flags);
  const int32_t shift = (flags & PATTERN_RIGHT_TO_LEFT) ? 8 : 0;
  int32_t id = 7;
  switch (token.ch) {
    case 'w': id = 3; break;
    case 'W': id = 4; break;
    case 's': id = 5; break;
    case 'S': id = 6; break;
    case 'd': id = 7; break;
    case 'D': id = 8; break;
  }
  return static_cast<CByteClassElement*>(GetStockElement(id + shift));
}

// The next token is the ":" after "[": the name runs to the next special "]".
CByteClassElement* CPatternProgram::ParsePosixClass(uint32_t flags) {
  CPatternArray<uint8_t> text;
  while (!lexer_.Next().IsEnd() && !lexer_.Next().IsSpecial(']')) {
    const uint8_t byte = static_cast<uint8_t>(lexer_.Next().ch);
    text.AppendRun(&byte, 1);
    Consume();
  }
  Consume();
  int32_t positive = 1;
  int32_t nameStart = 1;
  if (text.Count() >= 2 && text[1] == '^') {
    positive = 0;
    nameStart = 2;
  }
  const int32_t nameLength = text.Count() > nameStart ? text.Count() - nameStart : 0;
  PosixClassRoutine routine =
      nameLength > 0 ? FindPosixClass(text.Data() + nameStart, nameLength) : nullptr;
  return Own<CPosixClassElement>(routine, static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT),
                                 positive);
}

namespace {

bool IsUpperLetter(int32_t c) { return c >= 'A' && c <= 'Z'; }
bool IsLowerLetter(int32_t c) { return c >= 'a' && c <= 'z'; }

void AppendRange(CPatternArray<uint8_t>& ranges, int32_t low, int32_t high) {
  const uint8_t pair[2] = {static_cast<uint8_t>(low), static_cast<uint8_t>(high)};
  ranges.AppendRun(pair, 2);
}

// The part of [low, high] within [from, to], moved by `shift`, is added as a
// range unless it already lies inside [low, high].
void WidenRange(CPatternArray<uint8_t>& ranges, int32_t low, int32_t high, int32_t from,
                int32_t to, int32_t shift) {
  const int32_t a = low > from ? low : from;
  const int32_t b = high < to ? high : to;
  if (a > b) return;
  if (low <= a + shift && b + shift <= high) return;
  AppendRange(ranges, a + shift, b + shift);
}

bool IsPlainMember(const CCharSetElement& set, int32_t byte) {
  for (int32_t i = 0; i + 1 < set.ranges.Count(); i += 2)
    if (set.ranges[i] <= byte && byte <= set.ranges[i + 1]) return true;
  for (int32_t i = 0; i < set.singles.Count(); ++i)
    if (set.singles[i] == byte) return true;
  return false;
}

// Ignore case: each letter range and single gains its other case, once, over
// the members present before; sub-elements keep their own members.
void WidenForCase(CCharSetElement& set) {
  const int32_t rangeCount = set.ranges.Count();
  for (int32_t i = 0; i + 1 < rangeCount; i += 2) {
    const int32_t low = set.ranges[i];
    const int32_t high = set.ranges[i + 1];
    WidenRange(set.ranges, low, high, 'A', 'Z', 32);
    WidenRange(set.ranges, low, high, 'a', 'z', -32);
  }
  const int32_t singleCount = set.singles.Count();
  for (int32_t i = 0; i < singleCount; ++i) {
    const int32_t c = set.singles[i];
    int32_t other = -1;
    if (IsUpperLetter(c)) other = c + 32;
    if (IsLowerLetter(c)) other = c - 32;
    if (other >= 0 && !IsPlainMember(set, other)) set.singles.Push(static_cast<uint8_t>(other));
  }
}

}  // namespace

// After "[": an optional "^", then members up to the special "]".
CPatternElement* CPatternProgram::ParseBracketClass(uint32_t flags) {
  int32_t positive = 1;
  if (lexer_.Next().IsSpecial('^')) {
    positive = 0;
    Consume();
  }
  CCharSetElement* set =
      Own<CCharSetElement>(static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT), positive);
  for (;;) {
    const PatternToken token = lexer_.Next();
    if (token.IsEnd() || token.IsSpecial(']')) break;
    const bool classEscape =
        token.special && (token.ch == 'w' || token.ch == 'W' || token.ch == 's' ||
                          token.ch == 'S' || token.ch == 'd' || token.ch == 'D');
    if (classEscape || (token.IsSpecial('[') && lexer_.Second().IsSpecial(':'))) {
      set->subElements.Push(ParseClassMember(flags));
    } else if (lexer_.Second().IsSpecial('-') && !lexer_.Third().special) {
      AppendRange(set->ranges, token.ch & 0xff, lexer_.Third().ch & 0xff);
      Consume();
      Consume();
      Consume();
    } else {
      set->singles.Push(static_cast<uint8_t>(token.ch));
      Consume();
    }
  }
  Consume();
  if (flags & PATTERN_IGNORE_CASE) WidenForCase(*set);
  set->Seal();
  return set;
}
