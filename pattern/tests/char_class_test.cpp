// Character sets and POSIX classes: ranges compared as unsigned bytes,
// negation, nested escapes, names, the ignore-case widening and right to left.
#include <gtest/gtest.h>

#include <string>

#include "pattern/tests/match_helper.h"

namespace {

using pattern_test::Matches;
using pattern_test::MatchSpans;
using pattern_test::MatchText;
using pattern_test::Spans;

// Which of the 256 bytes a one-byte class accepts, as a string of them.
std::string Members(const std::string& pattern, uint32_t flags = 0) {
  std::string members;
  const std::string anchored = "^" + pattern + "$";
  for (int byte = 0; byte < 256; ++byte)
    if (Matches(anchored, std::string(1, static_cast<char>(byte)), flags))
      members += static_cast<char>(byte);
  return members;
}

std::string AllBytesExcept(const std::string& excluded) {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte)
    if (excluded.find(static_cast<char>(byte)) == std::string::npos) bytes += static_cast<char>(byte);
  return bytes;
}

TEST(CharClassTest, RangesCompareBytesAsUnsigned) {
  // Compared as signed bytes these would be empty and "everything but the
  // middle"; as bytes 0 to 255 they are every byte and nothing.
  EXPECT_EQ(Members("[\\x00-\\xff]"), AllBytesExcept(""));
  EXPECT_EQ(Members("[\\x80-\\x10]"), "");
  EXPECT_EQ(Members("[\\x7f-\\x81]"), "\x7f\x80\x81");
  EXPECT_EQ(Members("[^\\x80-\\xff]").size(), 128u);
  EXPECT_EQ(MatchText("[\\xe0-\\xef][\\x80-\\xbf]+", "caf\xc3\xa9 \xe2\x82\xac"), "\xe2\x82\xac");
}

TEST(CharClassTest, Members) {
  const struct {
    const char* pattern;
    std::string members;
  } cases[] = {
      {"[a-c]", "abc"},
      {"[c-a]", ""},
      {"[-a]", "-a"},
      {"[a-]", "-a"},
      {"[\\d_]", "0123456789_"},
      {"[.]", "."},
      {"[]", ""},
      {"[[:alpha:]_]", "ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"},
      {"[[:digit:]]", "0123456789"},
      {"[:alpha:]", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"},
      {"[[:xdigit:]]", "0123456789ABCDEFabcdef"},
      {"[[:blank:]]", "\t "},
      {"[[:space:]]", "\t\n\v\f\r "},
      {"[[:upper:]]", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
      {"[[:punct:]]", "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"},
      {"[[:word:]]", ""},   // unknown name: never matches
      {"[[:^word:]]", ""},  // not even negated
      {"[[:alpha]]", ""},   // the closing ":" is part of the name
      {"\\s", "\t\n\r "},   // left to right: four bytes, no FF or VT
      {"\\d", "0123456789"},
      {"[a-d\\s]", "\t\n\r abcd"},
  };
  for (const auto& c : cases) EXPECT_EQ(Members(c.pattern), c.members) << c.pattern;
}

TEST(CharClassTest, NegatedSetsNeverMatchPastTheEnd) {
  EXPECT_EQ(Members("[^a-c]"), AllBytesExcept("abc"));
  EXPECT_EQ(Members("[^\\d]"), AllBytesExcept("0123456789"));
  EXPECT_EQ(Members("[^[:word:]]"), AllBytesExcept(""));
  EXPECT_EQ(Members("[^]"), AllBytesExcept(""));
  EXPECT_EQ(Members("[[:^digit:]]"), AllBytesExcept("0123456789"));
  EXPECT_EQ(Members("."), AllBytesExcept("\n"));
  EXPECT_EQ(Members(".", PATTERN_DOT_ALL), AllBytesExcept(""));
  EXPECT_EQ(Members("\\S"), AllBytesExcept(" \t\n\r"));
  EXPECT_FALSE(Matches("a[^b]", "a"));
  EXPECT_FALSE(Matches("a.", "a", PATTERN_DOT_ALL));
  EXPECT_FALSE(Matches("a[[:^word:]]", "ax"));
}

TEST(CharClassTest, IgnoreCaseWidensRangesAndSinglesButNotSubElements) {
  EXPECT_EQ(Members("[a-f]", PATTERN_IGNORE_CASE), "ABCDEFabcdef");
  EXPECT_EQ(Members("[Q]", PATTERN_IGNORE_CASE), "Qq");
  EXPECT_EQ(Members("[X-c]", PATTERN_IGNORE_CASE), "ABCXYZ[\\]^_`abcxyz");
  EXPECT_EQ(Members("[[:upper:]]", PATTERN_IGNORE_CASE), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(Members("[^q]", PATTERN_IGNORE_CASE), AllBytesExcept("Qq"));
  EXPECT_EQ(Members("(?i)[k]"), "Kk");
}

TEST(CharClassTest, AnUnclosedClassTakesWhatIsThere) {
  EXPECT_EQ(MatchText("[abc", "xyzcab"), "c");
  EXPECT_FALSE(Matches("[abc", "xyz"));
  EXPECT_EQ(MatchText("[[:digit:", "ab7"), "7");
}

TEST(CharClassTest, RightToLeftTestsTheByteBeforeThePosition) {
  EXPECT_EQ(MatchSpans("[a-c]+", "xxabc", PATTERN_RIGHT_TO_LEFT), (Spans{{2, 5}}));
  EXPECT_EQ(MatchSpans("\\d\\D", "1a2b", PATTERN_RIGHT_TO_LEFT), (Spans{{2, 4}}));
  EXPECT_EQ(MatchSpans("[^a]", "a", PATTERN_RIGHT_TO_LEFT), Spans{});
  // Right to left "\s" also holds form feed and vertical tab.
  EXPECT_TRUE(Matches("\\s", "\f", PATTERN_RIGHT_TO_LEFT));
  EXPECT_FALSE(Matches("\\s", "\f"));
  EXPECT_TRUE(Matches("(?<=\\s)x", "\vx"));
}

}  // namespace
