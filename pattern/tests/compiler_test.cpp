// The compiler: what each construct builds, group numbering (named groups
// after unnamed ones, names compared ignoring case), quantifier reading,
// inline options, conditions, calls, and what malformed patterns compile to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/char_class.h"
#include "pattern/pattern_program.h"
#include "pattern/tests/match_helper.h"

namespace {

using pattern_test::Matches;
using pattern_test::MatchGroups;
using pattern_test::MatchText;
using Groups = std::vector<std::string>;

int32_t HighestGroup(const std::string& pattern) {
  CPatternProgram program;
  program.Reset();
  program.Compile(pattern.data(), static_cast<int32_t>(pattern.size()), 0);
  return program.HighestGroupNumber();
}

struct MatchCase {
  const char* pattern;
  const char* text;
  const char* match;  // whole match, or "no match"
};

void ExpectMatches(const std::vector<MatchCase>& cases, uint32_t flags = 0) {
  for (const MatchCase& c : cases)
    EXPECT_EQ(MatchText(c.pattern, c.text, flags), c.match) << c.pattern << " ~ " << c.text;
}

TEST(CompilerTest, TreeShapes) {
  CPatternProgram program;
  program.Reset();
  auto compile = [&](const char* pattern) {
    program.Reset();
    return program.Compile(pattern, static_cast<int32_t>(strlen(pattern)), 0);
  };
  EXPECT_NE(dynamic_cast<CEmptyElement*>(compile("")), nullptr);
  EXPECT_NE(dynamic_cast<CLiteralElement*>(compile("abc")), nullptr);  // one run, one literal
  EXPECT_NE(dynamic_cast<CAlternationElement*>(compile("a|b")), nullptr);
  auto* sequence = dynamic_cast<CSequenceElement*>(compile("ab*"));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->elements.Count(), 2);
  EXPECT_NE(dynamic_cast<CGreedyRepeatElement*>(sequence->elements[1]), nullptr);
  // The class escapes and the dot share the stock elements.
  auto* twice = dynamic_cast<CSequenceElement*>(compile("\\d\\d."));
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice->elements[0], twice->elements[1]);
  EXPECT_EQ(twice->elements[2], program.GetStockElement(2));
  EXPECT_EQ(program.GetStockElement(-4), program.GetStockElement(0));
  EXPECT_EQ(program.GetStockElement(17), program.GetStockElement(0));
  auto* fixed = dynamic_cast<CFixedRepeatElement*>(compile("a{2}?"));
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->count, 2);
  auto* lazy = dynamic_cast<CLazyRepeatElement*>(compile("a{2,5}?"));
  ASSERT_NE(lazy, nullptr);
  EXPECT_EQ(lazy->minimum, 2);
  EXPECT_EQ(lazy->extra, 3);
  EXPECT_NE(dynamic_cast<CPossessiveRepeatElement*>(compile("a*+")), nullptr);
}

TEST(CompilerTest, QuantifiersBindToOneByte) {
  ExpectMatches({
      {"ab*", "a", "a"},
      {"ab*", "abbb", "abbb"},
      {"ab+", "a", "no match"},
      {"a{2}?", "aaa", "aa"},
      {"a{2}+", "aaa", "aa"},
      {"a{0}?", "a?", "?"},  // "a" dropped, the "?" is a literal
      {"a{2,}", "a", "no match"},
      {"a{2,}", "aaaa", "aaaa"},
      {"a{3,2}", "aaaa", "aaa"},  // maximum below minimum: exactly three
      {"a{ 2 , 3 }", "aaaa", "aaa"},
      {"a{1000}", std::string(101, 'a').c_str(), std::string(100, 'a').c_str()},
      {"ab{x}", "a", "a"},    // no number: {0,0} drops the "b"
      {"a{,5}", "x", ""},     // the empty pattern
      {"a{2", "aa", "aa"},    // an unclosed count runs to the end
      {"*a", "*a", "*a"},     // no atom: literal
      {"a**", "aa*", "aa*"},  // a second quantifier is a literal
      {"a??b", "ab", "ab"},
      {"x}", "x}", "x}"},
  });
}

TEST(CompilerTest, GroupNumbering) {
  EXPECT_EQ(MatchGroups("(a)(?<x>b)(d)", "abd"), (Groups{"abd", "a", "d", "b"}));
  EXPECT_EQ(HighestGroup("(a)(?<x>b)(d)"), 3);
  EXPECT_EQ(MatchGroups("(?<x>a)|(?<x>b)", "b"), (Groups{"b", "b"}));
  EXPECT_EQ(HighestGroup("(?<x>a)|(?<X>b)"), 1);
  EXPECT_EQ(MatchGroups("(?<2>a)", "a"), (Groups{"a", "-", "a"}));
  EXPECT_EQ(MatchGroups("(?'n'a)(?P<m>b)(c)", "abc"), (Groups{"abc", "c", "a", "b"}));
  EXPECT_EQ(MatchGroups("((a)(b))", "ab"), (Groups{"ab", "ab", "a", "b"}));
  EXPECT_EQ(HighestGroup("x"), 0);
}

TEST(CompilerTest, BackReferences) {
  ExpectMatches({
      {"(?<X>a)\\k<x>", "aa", "aa"},
      {"(?<X>a)\\k'x'", "ab", "no match"},
      {"(a)\\g<1>", "aa", "aa"},
      {"(a)\\1", "aa", "aa"},
      {"\\k<none>", "", "no match"},  // a name no group has never matches
      {"(a)\\k", "aa", "aa"},         // group 0: the match so far
      {"(.)\\1234", "xx4", "no match"},
  });
  // "\12" is group 12; "\1234" is group 123 and a literal "4".
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += "(.)";
  EXPECT_TRUE(Matches(twelve + "\\12", "abcdefghijklll"));
  EXPECT_FALSE(Matches(twelve + "\\12", "abcdefghijkla"));
  std::string many;
  for (int i = 0; i < 123; ++i) many += "(a)";
  EXPECT_TRUE(Matches(many + "\\1234", std::string(124, 'a') + "4"));
}

TEST(CompilerTest, InlineOptions) {
  ExpectMatches({
      {"(?i)a|b", "B", "B"},
      {"(?i:a)b", "Ab", "Ab"},
      {"(?i:a)b", "AB", "no match"},
      {"x(?i)y|z", "Z", "Z"},
      {"(a(?i)b)c", "aBc", "aBc"},
      {"(a(?i)b)c", "aBC", "no match"},  // the option ends with its group
      {"(?i)a(?-i)b", "Ab", "Ab"},
      {"(?i)a(?-i)b", "AB", "no match"},
      {"(?s).", "\n", "\n"},
      {"(?m)^b", "a\nb", "b"},
      {"(?xq:a)", "a", "a"},  // unknown letters change nothing
      {"(?I(a))", "A", "A"},
  });
  ExpectMatches({{"(?-i)a", "A", "no match"}}, PATTERN_IGNORE_CASE);
}

TEST(CompilerTest, AnchorsAndSearchStart) {
  ExpectMatches({
      {"a$", "a\n", "no match"},  // "$" only at the very end
      {"a$", "a", "a"},
      {"a\\Z", "a\n", "a"},
      {"a\\z", "a\n", "no match"},
      {"\\Ga", "ba", "a"},  // without PATTERN_CONTINUE "\G" matches anywhere
  });
  ExpectMatches({{"a$", "a\nb", "a"}}, PATTERN_MULTI_LINE);
  ExpectMatches({{"\\Ga", "ba", "no match"}}, PATTERN_CONTINUE);
  EXPECT_EQ(pattern_test::MatchSpans("\\Ga", "ba", PATTERN_CONTINUE, 1),
            (pattern_test::Spans{{1, 2}}));
}

TEST(CompilerTest, Conditions) {
  ExpectMatches({
      {"(x)?(?(1)a|b|c)", "xa", "xa"},
      {"(x)?(?(1)a|b|c)", "c", "c"},
      {"(x)?(?(1)a|b|c)", "b", "b"},
      {"(?(1)a)", "b", ""},
      {"(?(x)xy|b)", "xy", "xy"},  // no group "x": a lookahead for "x"
      {"(?(x)xy|b)", "xb", "b"},
      {"(?(x)xy|b)", "b", "b"},
      {"(?<x>q)?(?(x)a|b)", "qa", "qa"},
      {"(?<x>q)?(?(x)a|b)", "b", "b"},
      {"(?(?=\\d)\\d+|[a-z]+)", "42", "42"},
      {"(?(?!\\d)[a-z]+|\\d+)", "ab", "ab"},
      {"(?(?<=a)b|c)", "ab", "b"},
  });
}

TEST(CompilerTest, Calls) {
  ExpectMatches({
      {"a(?R)?b", "aaabbb", "aaabbb"},
      {"a(?0)?b", "aabb", "aabb"},
      {"(a|b)(?1)", "ab", "ab"},
      {"(?<p>x)(?R<p>)", "xx", "xx"},
      {"(?<p>x)(?R'P')", "xx", "xx"},
      {"(?<p>x)(?R<q>)y", "xy", "xy"},  // unknown name: matches the empty string
      {"(x)(?5)y", "xy", "xy"},         // beyond the highest group: empty
      {"\\(((?:[^()]|(?R))*)\\)", "(a(b)c)", "(a(b)c)"},
  });
  // "(?1)" calls group 1 including its capture.
  EXPECT_EQ(MatchGroups("(?1)-(a|b)", "b-a"), (Groups{"b-a", "a"}));
}

TEST(CompilerTest, MalformedPatternsCompileAsFarAsTheyGo) {
  ExpectMatches({
      {"a)b", "a)b", "a"},  // the stray ")" ends the pattern
      {"(ab", "ab", "ab"},  // closed at the end
      {"(?<n", "x", ""},
      {"(?", "x", ""},
      {"(?(", "x", ""},
      {"(?R", "x", "no match"},  // calls the whole pattern, which is that call
      {"[", "[", "no match"},
      {"\\", "\\", "\\"},
      {"(?#", "x", ""},
      {"", "x", ""},
  });
  EXPECT_EQ(MatchGroups("(ab", "ab"), (Groups{"ab", "ab"}));
}

}  // namespace
