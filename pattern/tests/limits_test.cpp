// What no pattern or text may do to the engine: nest the compiler or the
// matcher past its stack, make it read past the pattern, or make a
// back-reference, a condition or the result read a capture record that
// backtracking has removed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "pattern/pattern_program.h"
#include "pattern/tests/match_helper.h"

namespace {

using pattern_test::Matches;
using pattern_test::MatchGroups;
using pattern_test::MatchSpans;
using pattern_test::Spans;
using Groups = std::vector<std::string>;

std::string Nested(int depth, const std::string& open, const std::string& middle) {
  std::string pattern;
  for (int i = 0; i < depth; ++i) pattern += open;
  pattern += middle;
  for (int i = 0; i < depth; ++i) pattern += ")";
  return pattern;
}

TEST(LimitsTest, NestingPastTheLimitCompilesToNothing) {
  // The innermost condition's assertion is one group more.
  for (const std::string open : {"(", "(?:", "(?=", "(?>", "(?<n>", "(?i:", "(?(?=a)"}) {
    const int levels = open == "(?(?=a)" ? kMaxGroupNesting - 1 : kMaxGroupNesting;
    const std::string allowed = Nested(levels, open, "a");
    EXPECT_TRUE(Matches(allowed, "a")) << open;
    const std::string deep = Nested(levels + 1, open, "a");
    CPatternProgram program;
    program.Reset();
    EXPECT_EQ(program.Compile(deep.data(), static_cast<int32_t>(deep.size()), 0), nullptr) << open;
    EXPECT_EQ(program.SearchText("a").Count(), 0) << open;
  }
  // Unclosed, and very deep: still nothing, and no crash.
  const std::string unclosed(200000, '(');
  EXPECT_FALSE(Matches(unclosed, ""));
  // Many groups one after the other are no nesting.
  std::string flat;
  for (int i = 0; i < 5000; ++i) flat += "(a)?";
  EXPECT_TRUE(Matches(flat + "b", "aab"));
}

TEST(LimitsTest, RecursionThatNeverEndsFailsInsteadOfOverflowing) {
  const char* loops[] = {"(?R)",         "(?R)a",         "(?R)*x",       "(a(?1))",
                         "((?2))((?1))", "(?<n>(?R<n>)x)", "(?:(?1)|x)(a(?1))"};
  for (const char* pattern : loops) {
    EXPECT_FALSE(Matches(pattern, "aaaa")) << pattern;
  }
  // Recursion that ends within the limit still matches, deep as it goes.
  const std::string text = std::string(1000, 'a') + std::string(1000, 'b');
  EXPECT_EQ(MatchSpans("a(?R)?b", text), (Spans{{0, 2000}}));
  // Deeper than the limit allows: a shorter match, never a crash.
  const std::string deep = std::string(2500, 'a') + std::string(2500, 'b');
  const Spans spans = MatchSpans("a(?R)?b", deep);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_GT(spans[0].first, 0);
  EXPECT_EQ(spans[0].second, 2500 + 2500 - spans[0].first);
  // A deeply nested allowed pattern recursing into itself stays in bounds too.
  EXPECT_FALSE(Matches(Nested(kMaxGroupNesting, "(?:", "a(?R)"), std::string(5000, 'a')));
}

TEST(LimitsTest, RepeatsOfCallsThatMoveBackAndForthEnd) {
  // "(?1)" runs the lookbehind's group right to left: each instance moves,
  // by turns forward and back, so only the instance bound ends the repeat.
  for (const char* pattern : {"(?<=(a))(?:a|(?1))*", "(?<=(a))(?:a|(?1))*?$", "(?<=(a))(?:a|(?1))++"}) {
    const Spans spans = MatchSpans(pattern, "aa");
    ASSERT_FALSE(spans.empty()) << pattern;
    EXPECT_LE(spans[0].second, 2) << pattern;
  }
}

TEST(LimitsTest, ThePatternIsReadOnlyWithinItsLength) {
  // The pattern ends right before an unreadable page: any read past its
  // length (such as a search for a NUL) faults.
  const long page = sysconf(_SC_PAGESIZE);
  void* block = mmap(nullptr, static_cast<size_t>(2 * page), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(block, MAP_FAILED);
  char* guard = static_cast<char*>(block) + page;
  ASSERT_EQ(mprotect(guard, static_cast<size_t>(page), PROT_NONE), 0);
  const char* endings[] = {"\\",      "\\x",    "\\x{4",   "\\u12", "(?#x",  "\\Qab",
                           "[[:alp",  "(?<nam", "(?(1",    "a{2,",  "(?R'x", "\\k<n",
                           "(?P<a",   "[a-",    "(?(?=a)", "#c",    "(?",    "\\1"};
  for (const char* ending : endings) {
    const size_t length = strlen(ending);
    char* pattern = guard - length;
    memcpy(pattern, ending, length);
    for (uint32_t flags : {0u, PATTERN_EXTENDED, PATTERN_IGNORE_CASE | PATTERN_RIGHT_TO_LEFT}) {
      CPatternProgram program;
      program.Reset();
      program.Compile(pattern, static_cast<int32_t>(length), flags);
      program.SearchText("a1b2 c");
    }
  }
  munmap(block, static_cast<size_t>(2 * page));
}

TEST(LimitsTest, CaptureRecordsUndoneByBacktrackingAreNotRead) {
  // Each pattern leaves a group-table entry naming a record that a
  // possessive repeat, an atomic group or a lookaround has cut away and
  // another group's record has taken its place.
  const struct {
    const char* pattern;
    const char* text;
    Groups groups;
  } cases[] = {
      // "(a)" inside the possessive repeat is cut when the repeat is given up;
      // "\1" must then fail, not read group 2's record in its slot.
      {"(?:(?:(a))++(b)\\1|.(b))", "abb", {"ab", "-", "-", "b"}},
      {"(?>(a))?(x)|(?:.)(\\1)", "ab", {"no match"}},
      // The condition must not see the group 1 record that the atomic group
      // took back.
      {"(?:(?>(a))x|a)(c)(?(1)y|z)", "acz", {"acz", "-", "c"}},
      // A positive lookahead's capture, given up with it, is not in the result.
      {"(?:(?=(a))ab|.)(b)", "ab", {"ab", "-", "b"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchGroups(c.pattern, c.text), c.groups) << c.pattern << " ~ " << c.text;
}

}  // namespace
