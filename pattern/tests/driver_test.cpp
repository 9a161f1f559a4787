// The matching driver and CPattern: start positions, the result layout, the
// group array the wrapper fills, right-to-left searches and start positions,
// and concurrent searches on one compiled pattern.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "pattern/pattern.h"
#include "pattern/pattern_program.h"
#include "pattern/tests/match_helper.h"

namespace {

using pattern_test::MatchSpans;
using pattern_test::Spans;
using Groups = std::vector<std::string>;

TEST(DriverTest, ResultLayout) {
  CPatternProgram program;
  program.Reset();
  const char pattern[] = "(a)|(b)(c)?";
  program.Compile(pattern, sizeof pattern - 1, 0);
  const CPatternArray<int32_t> result = program.SearchText("xb");
  ASSERT_EQ(result.Count(), 2 + 2 * 4);
  const int32_t expected[] = {1, 3, 1, 2, -1, -1, 1, 2, -1, -1};
  for (int32_t i = 0; i < result.Count(); ++i) EXPECT_EQ(result[i], expected[i]) << i;
  EXPECT_EQ(program.SearchText("xyz").Count(), 0);
}

TEST(DriverTest, StartPositions) {
  EXPECT_EQ(MatchSpans("b+", "abbb"), (Spans{{1, 4}}));  // the leftmost start wins
  EXPECT_EQ(MatchSpans("a*", ""), (Spans{{0, 0}}));      // an empty text is tried once
  EXPECT_EQ(MatchSpans("$", "ab"), (Spans{{2, 2}}));     // so is the end of a text
  EXPECT_EQ(MatchSpans("a|ab", "ab"), (Spans{{0, 1}}));  // first found, not longest
  EXPECT_EQ(MatchSpans("b", "abab", 0, 2), (Spans{{3, 4}}));
  EXPECT_EQ(MatchSpans("b", "abab", 0, 5), Spans{});  // beyond the length: nothing tried
  EXPECT_EQ(MatchSpans("b", "abab", 0, -7), (Spans{{1, 2}}));
  // Right to left: from the end towards the start; groups still start first.
  EXPECT_EQ(MatchSpans("(b)", "abab", PATTERN_RIGHT_TO_LEFT), (Spans{{3, 4}, {3, 4}}));
  EXPECT_EQ(MatchSpans("b", "abab", PATTERN_RIGHT_TO_LEFT, 3), (Spans{{1, 2}}));
  EXPECT_EQ(MatchSpans("b", "abab", PATTERN_RIGHT_TO_LEFT, 99), (Spans{{3, 4}}));
  EXPECT_EQ(MatchSpans("b", "abab", PATTERN_RIGHT_TO_LEFT, -7), (Spans{{3, 4}}));
}

TEST(DriverTest, WrapperFillsTheGroups) {
  std::vector<std::string> groups = {"left", "over"};
  CPattern keyword("^\\s*MINIMUM_QUESTIONS\\s+(\\d+)\\s*$", 1);
  EXPECT_EQ(keyword.Match("MINIMUM_QUESTIONS 3", groups), 1);
  EXPECT_EQ(groups, (Groups{"MINIMUM_QUESTIONS 3", "3"}));
  EXPECT_EQ(keyword.Match("MINIMUM_QUESTIONS x", groups), 0);
  EXPECT_TRUE(groups.empty());  // whatever it held before

  CPattern optional("(a)?b", 1);
  EXPECT_EQ(optional.Match("b", groups), 1);
  EXPECT_EQ(groups, (Groups{"b", ""}));

  CPattern plain("b+", 1);
  EXPECT_EQ(plain.Match("abbb", groups), 1);
  EXPECT_EQ(groups, (Groups{"bbb"}));

  CPattern anyCase("^minimum", 0);
  EXPECT_EQ(anyCase.Match("MINIMUM_QUESTIONS", groups), 1);
  CPattern exactCase("^minimum", 1);
  EXPECT_EQ(exactCase.Match("MINIMUM_QUESTIONS", groups), 0);

  // The text ends at its first NUL, as the line it stands for does.
  CPattern tail("b$", 1);
  EXPECT_EQ(tail.Match(std::string("ab\0c", 4), groups), 1);
  EXPECT_EQ(groups, (Groups{"b"}));
}

TEST(DriverTest, AProgramWithoutRootNeverMatches) {
  CPatternProgram program;
  program.Reset();
  EXPECT_EQ(program.SearchText("").Count(), 0);
  program.Compile("a", 1, 0);
  EXPECT_EQ(program.SearchText("a").Count(), 4);
  program.Reset();
  EXPECT_EQ(program.RootElement(), nullptr);
  EXPECT_EQ(program.SearchText("a").Count(), 0);
}

TEST(DriverTest, ConcurrentSearchesOnOnePattern) {
  const CPattern pattern("^\\s*DOMAIN_ALIAS\\s+(\\S+)\\s+(\\S+)\\s*$", 1);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&pattern, &failures, t] {
      std::vector<std::string> groups;
      for (int i = 0; i < 2000; ++i) {
        const std::string alias = "D" + std::to_string(t) + "_" + std::to_string(i);
        const bool matched = pattern.Match("DOMAIN_ALIAS " + alias + " CORP", groups) == 1;
        if (!matched || groups.size() != 3 || groups[1] != alias || groups[2] != "CORP")
          ++failures[t];
        if (pattern.Match("CORP\\user\tq\ta", groups) != 0) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace

namespace {

// Start positions whose byte no match can begin with are skipped; these are
// the cases where the skip must still find every match.
TEST(DriverTest, SkippedStartPositionsLoseNoMatch) {
  const struct {
    const char* pattern;
    const char* text;
    uint32_t flags;
    Spans spans;
  } cases[] = {
      {"(?i)abc", "xxABC", 0, {{2, 5}}},
      {"abc", "xxABC", PATTERN_IGNORE_CASE, {{2, 5}}},
      {"a*b", "xxb", 0, {{2, 3}}},
      {"(?=x)|b", "ab", 0, {{1, 2}}},
      {"\\bq", "a q", 0, {{2, 3}}},
      {"(a)\\1|b", "xaab", 0, {{1, 3}, {1, 2}}},
      {"[^a]$", "aab", 0, {{2, 3}}},
      {"(?:a|)x", "yx", 0, {{1, 2}}},
      {"^\\s*K", "  K", 0, {{0, 3}}},
      {"^K", "xK", 0, {}},
      {"^x|y", "ay", 0, {{1, 2}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchSpans(c.pattern, c.text, c.flags), c.spans) << c.pattern << " ~ " << c.text;
}

}  // namespace
