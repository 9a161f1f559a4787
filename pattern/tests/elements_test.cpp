// Backtracking of the elements, pinned where it differs from Perl and PCRE:
// a greedy repeat never adds instances after re-matching its last one, the
// zero-width guard, lazy and possessive repeats, atomic groups, lookarounds
// and their captures, anchors, back-references and conditions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/tests/match_helper.h"

namespace {

using pattern_test::Matches;
using pattern_test::MatchGroups;
using pattern_test::MatchSpans;
using pattern_test::MatchText;
using pattern_test::Spans;
using Groups = std::vector<std::string>;

TEST(ElementsTest, GreedyRepeatNeverAddsInstancesAfterReMatchingItsLast) {
  // Perl finds "abab" + "c" here: after "(a|ab)" re-matches as "ab", it would
  // add further instances. This engine gives up instances instead.
  EXPECT_EQ(MatchText("(?:a|ab)*c", "ababc"), "abc");
  EXPECT_EQ(MatchText("^(?:a|ab)*c", "ababc"), "no match");
  // Re-matching the last instance does count as a further way.
  EXPECT_EQ(MatchText("^(?:a|ab)*c", "abc"), "abc");
  EXPECT_EQ(MatchGroups("(a|ab)(c|bcd)(d*)", "abcd"), (Groups{"abcd", "a", "bcd", ""}));
  // Bodies that match one way behave as everywhere.
  EXPECT_EQ(MatchText("a*ab", "aaab"), "aaab");
  EXPECT_EQ(MatchGroups("(a)*a", "aa"), (Groups{"aa", "a"}));
}

TEST(ElementsTest, EmptyInstancesAreNotCounted) {
  EXPECT_EQ(MatchText("(?:)*x", "x"), "x");
  EXPECT_EQ(MatchText("(a?)*b", "aab"), "aab");
  EXPECT_EQ(MatchGroups("(a|)*b", "b"), (Groups{"b", "-"}));
  EXPECT_EQ(MatchText("(?:a*)*", "aa"), "aa");
  EXPECT_EQ(MatchText("(?:a*?)+?b", "aab"), "aab");
  EXPECT_EQ(MatchText("(?:\\b)*a", "a"), "a");
}

TEST(ElementsTest, EmptyElementsMatchOnce) {
  EXPECT_EQ(MatchSpans("", "abc"), (Spans{{0, 0}}));
  EXPECT_EQ(MatchSpans("|", "abc"), (Spans{{0, 0}}));
  EXPECT_EQ(MatchSpans("()", ""), (Spans{{0, 0}, {0, 0}}));
  EXPECT_EQ(MatchText("(?:|)b", "b"), "b");
}

TEST(ElementsTest, LazyRepeatAddsOneInstancePerStep) {
  EXPECT_EQ(MatchText("a+?", "aaa"), "a");
  EXPECT_EQ(MatchText("a*?b", "aaab"), "aaab");
  EXPECT_EQ(MatchText("a{2,3}?", "aaaa"), "aa");
  EXPECT_EQ(MatchText("<.+?>", "<a><b>"), "<a>");
  EXPECT_EQ(MatchGroups("^(a+?)(a*)$", "aaa"), (Groups{"aaa", "a", "aa"}));
  // The last extra instance's other ways come before giving it up.
  EXPECT_EQ(MatchGroups("^(?:(a|ab))*?c", "abc"), (Groups{"abc", "ab"}));
}

TEST(ElementsTest, PossessiveAndAtomicAreNeverReEntered) {
  EXPECT_EQ(MatchText("a*+a", "aaa"), "no match");
  EXPECT_EQ(MatchText("a++b", "aab"), "aab");
  EXPECT_EQ(MatchText("(?>a*)a", "aaa"), "no match");
  EXPECT_EQ(MatchText("(?>a|ab)c", "abc"), "no match");
  EXPECT_EQ(MatchText("(?>ab|a)c", "abc"), "abc");
  // Captures made inside an atomic group stay.
  EXPECT_EQ(MatchGroups("(?>(a+))b", "aab"), (Groups{"aab", "aa"}));
}

TEST(ElementsTest, LookaroundsAndTheirCaptures) {
  EXPECT_EQ(MatchGroups("(?=(a))a", "a"), (Groups{"a", "a"}));
  // A negative lookahead that succeeds leaves no captures behind.
  EXPECT_EQ(MatchGroups("(?!(b))a", "a"), (Groups{"a", "-"}));
  EXPECT_EQ(MatchGroups("(?!(a)b)a", "ac"), (Groups{"a", "-"}));
  EXPECT_EQ(MatchText("(?<=ab)c", "xbcabc"), "c");
  EXPECT_EQ(MatchSpans("(?<=ab)c", "xbcabc"), (Spans{{5, 6}}));
  EXPECT_EQ(MatchText("(?<!a)b", "abcb"), "b");
  EXPECT_EQ(MatchSpans("(?<!a)b", "abcb"), (Spans{{3, 4}}));
  // The body of a lookbehind runs right to left, groups come back in order.
  EXPECT_EQ(MatchGroups("(?<=(a)(b))c", "abc"), (Groups{"c", "a", "b"}));
  EXPECT_EQ(MatchGroups("(?<=(a+))b", "aab"), (Groups{"b", "aa"}));
  // A lookahead inside a right-to-left pattern still runs left to right.
  EXPECT_EQ(MatchSpans("b(?=c)", "abcbd", PATTERN_RIGHT_TO_LEFT), (Spans{{1, 2}}));
}

TEST(ElementsTest, BackReferences) {
  EXPECT_EQ(MatchText("(a)|b\\1", "b"), "no match");  // group 1 did not take part
  EXPECT_EQ(MatchText("()a\\1", "a"), "a");           // the empty string
  EXPECT_EQ(MatchText("(a)\\1", "aA", PATTERN_IGNORE_CASE), "aA");
  EXPECT_EQ(MatchText("(a)\\1", "aA"), "no match");
  EXPECT_EQ(MatchText("(?i)(ab)\\1", "abAB"), "abAB");
  EXPECT_EQ(MatchText("(\\w+) \\1", "say hello hello"), "hello hello");
  // A reference inside its own open group reads up to the position.
  EXPECT_EQ(MatchText("(a\\1)", "aa"), "aa");
  EXPECT_EQ(MatchGroups("(?<=\\1(a))b", "aab"), (Groups{"b", "a"}));
}

TEST(ElementsTest, Anchors) {
  struct Case {
    const char* pattern;
    const char* text;
    Spans spans;
  };
  const Case cases[] = {
      {"\\Z", "ab", {{2, 2}}},
      {"\\Z", "ab\n", {{2, 2}}},
      {"\\Z", "ab\r\n", {{2, 2}}},
      {"b\\Z", "b\r\n", {{0, 1}}},
      {"\\Z", "a\nb", {{3, 3}}},
      {"a\\Z", "a\n\n", {}},
      {"\\b", "ab", {{0, 0}}},
      {"\\b", "", {}},
      {"\\B", "", {{0, 0}}},
      {"\\b.", " a", {{1, 2}}},
      {"a\\B", "a ab", {{2, 3}}},
      {"\\A", "x", {{0, 0}}},
      {"x\\z", "x\n", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchSpans(c.pattern, c.text), c.spans) << c.pattern;
  // Multi-line: CR LF is one break.
  const Case multiLine[] = {
      {"^b", "a\nb", {{2, 2 + 1}}},
      {"^b", "a\rb", {{2, 3}}},
      {"a$", "a\r\n", {{0, 1}}},
      {"^$", "\r\n", {{0, 0}}},
      {"x$", "x\n", {{0, 1}}},
  };
  for (const Case& c : multiLine)
    EXPECT_EQ(MatchSpans(c.pattern, c.text, PATTERN_MULTI_LINE), c.spans) << c.pattern;
  // Between CR and LF is neither a line start nor a line end.
  EXPECT_EQ(MatchSpans("\r^", "\r\n", PATTERN_MULTI_LINE), Spans{});
  EXPECT_EQ(MatchSpans("\r$", "\r\n", PATTERN_MULTI_LINE), Spans{});
}

TEST(ElementsTest, ConditionOnAGroupThatDidNotTakePartTakesTheNoBranch) {
  EXPECT_EQ(MatchGroups("(a)?(?(1)b|c)", "c"), (Groups{"c", "-"}));
  EXPECT_EQ(MatchGroups("(a)?(?(1)b|c)", "ab"), (Groups{"ab", "a"}));
  EXPECT_EQ(MatchText("(a)?(?(1)b)x", "x"), "x");
  // The branch is backtracked like any element.
  EXPECT_EQ(MatchText("(a)?(?(1)b+|c+)b", "abbb"), "abbb");
}

TEST(ElementsTest, RightToLeftPatterns) {
  EXPECT_EQ(MatchSpans("ab", "abab", PATTERN_RIGHT_TO_LEFT), (Spans{{2, 4}}));
  EXPECT_EQ(MatchSpans("(a)(b)", "abab", PATTERN_RIGHT_TO_LEFT), (Spans{{2, 4}, {2, 3}, {3, 4}}));
  EXPECT_EQ(MatchSpans("a+", "xaax", PATTERN_RIGHT_TO_LEFT), (Spans{{1, 3}}));
  EXPECT_EQ(MatchSpans("^a", "aa", PATTERN_RIGHT_TO_LEFT), (Spans{{0, 1}}));
  // Right to left the group must stand right of its reference.
  EXPECT_EQ(MatchSpans("(a)\\1", "xaa", PATTERN_RIGHT_TO_LEFT), Spans{});
  EXPECT_EQ(MatchSpans("\\1(a)", "xaa", PATTERN_RIGHT_TO_LEFT), (Spans{{1, 3}, {2, 3}}));
  EXPECT_EQ(MatchSpans("", "ab", PATTERN_RIGHT_TO_LEFT), (Spans{{2, 2}}));
}

}  // namespace
