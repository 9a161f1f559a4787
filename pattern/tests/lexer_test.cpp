// The lexer: which bytes are metacharacters, escapes, quoting, comments and
// extended mode, seen as token streams and as what the patterns then match.
#include "pattern/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/tests/match_helper.h"

namespace {

using pattern_test::Matches;
using pattern_test::MatchText;

// The token stream as text: a literal byte as itself (or \xNN), a special
// token in angle brackets.
std::string Tokens(const std::string& pattern, uint32_t flags = 0) {
  CPatternLexer lexer;
  lexer.Start(reinterpret_cast<const uint8_t*>(pattern.data()),
              static_cast<int32_t>(pattern.size()), flags);
  std::string out;
  for (int i = 0; i < 64 && !lexer.Next().IsEnd(); ++i) {
    const PatternToken t = lexer.Next();
    std::string byte;
    if (t.ch >= 33 && t.ch < 127) {
      byte = std::string(1, static_cast<char>(t.ch));
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02x", t.ch & 0xff);
      byte = hex;
    }
    out += t.special ? "<" + byte + ">" : byte;
    lexer.NextToken();
  }
  return out;
}

TEST(LexerTest, TokenStreams) {
  const struct {
    const char* pattern;
    const char* tokens;
  } cases[] = {
      {"\\x41", "A"},
      {"\\x4g", "\\x04g"},
      {"\\xg", "xg"},
      {"\\u00413", "A3"},
      {"\\u1234", "4"},
      {"\\x{41}", "A"},
      {"\\u{0041}", "A"},
      {"\\x{}", "\\x00"},
      {"\\x{141}", "A"},
      {"\\x{41", "A"},  // an unterminated brace runs to the end
      {"a\\", "a\\"},
      {"[a-z]", "<[>a<->z<]>"},
      {"a-z", "a-z"},
      {"a]", "a]"},
      {"[.]", "<[>.<]>"},
      {"[\\b]", "<[>\\x08<]>"},
      {"\\b", "<b>"},
      {"[a\\G]", "<[>a<]>"},
      {"\\5", "<\\>5"},
      {"\\c\\h\\.\\|", "ch.|"},
      {"a(?#note)b", "ab"},
      {"ab(?#note", "ab"},
      {"\\Qa.b\\E", "a.b"},
      {"\\Ua.b\\E", "A.B"},
      {"\\LA(B\\E(", "a(b<(>"},
      {"\\Qa\\\\E", "a\\"},
      {"[^^]", "<[><^>^<]>"},
      {"[[:^alpha:]]", "<[><[><:><^>alpha:<]><]>"},
      {"[:x:]", "<[><:>x:<]>"},
      {"\\t\\n\\e\\a", "\\x09\\x0a\\x1b\\x07"},
      {"$)*+.?{|}(", "<$><)><*><+><.><?><{><|><}><(>"},
      {"[$)*+.?{|}(]", "<[>$)*+.?{|}(<]>"},
      {"\\d\\D\\w\\W\\s\\S\\A\\z\\Z\\B\\G\\k\\g", "<d><D><w><W><s><S><A><z><Z><B><G><k><g>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokens(c.pattern), c.tokens) << c.pattern;
}

TEST(LexerTest, ANulInsideThePatternIsALiteralNotTheEnd) {
  EXPECT_EQ(Tokens(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(Tokens(std::string("\\\0b", 3)), "\\x00b");
  EXPECT_TRUE(Matches(std::string("a\0b", 3), std::string("xa\0b", 4)));
  EXPECT_FALSE(Matches(std::string("a\0b", 3), "ab"));
}

TEST(LexerTest, ExtendedModeSkipsBlanksAndComments) {
  const std::string pattern = "a b # note\nc";
  EXPECT_EQ(Tokens(pattern, PATTERN_EXTENDED), "abc");
  EXPECT_EQ(MatchText(pattern, "abc", PATTERN_EXTENDED), "abc");
  EXPECT_FALSE(Matches(pattern, "abc"));
  EXPECT_TRUE(Matches(pattern, "a b # note\nc"));
  // In quote mode blanks and "#" stay, extended or not.
  EXPECT_EQ(Tokens("\\Qa #b\\E", PATTERN_EXTENDED), "a\\x20#b");
}

TEST(LexerTest, QuotingMatchesOnlyTheQuotedText) {
  EXPECT_EQ(MatchText("\\Qa.b\\E", "axb a.b"), "a.b");
  EXPECT_FALSE(Matches("\\Qa.b\\E", "axb"));
  EXPECT_EQ(MatchText("\\Ua.b\\E", "a.b A.B"), "A.B");
  EXPECT_FALSE(Matches("\\Ua.b\\E", "a.b"));
  EXPECT_EQ(MatchText("\\Qa(b", "a(b"), "a(b");  // runs to the end
}

TEST(LexerTest, ReadPatternNumber) {
  const struct {
    const char* text;
    int ok;
    int32_t number;
    int32_t end;
  } cases[] = {
      {"12", 1, 12, 2},   {" 7 ,", 1, 7, 3}, {"1234", 1, 123, 3},
      {"x1", 0, 0, 0},    {"", 0, 0, 0},     {"\t\n 99\r", 1, 99, 6},
  };
  for (const auto& c : cases) {
    int32_t position = 0;
    int32_t number = 0;
    const int32_t length = static_cast<int32_t>(strlen(c.text));
    EXPECT_EQ(ReadPatternNumber(reinterpret_cast<const uint8_t*>(c.text), length, position, number),
              c.ok)
        << c.text;
    EXPECT_EQ(number, c.number) << c.text;
    EXPECT_EQ(position, c.end) << c.text;
  }
}

}  // namespace
