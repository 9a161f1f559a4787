#include "rules/rules_file.h"

#include <gtest/gtest.h>

namespace {

TEST(RulesFileTest, LineGrammar) {
  struct Row {
    std::u16string line;
    bool parsed;
    std::u16string token, value;
  };
  const Row rows[] = {
      {u"MIN_LENGTH 8", true, u"MIN_LENGTH", u"8"},
      {u"MIN_LENGTH   8  \r", true, u"MIN_LENGTH", u"8"},
      {u"MIN_LENGTH\t8", true, u"MIN_LENGTH", u"8"},
      {u"\tMIN_LENGTH 8", true, u"", u"MIN_LENGTH 8"},  // TAB-led: not skipped, empty token
      {u"ACTIVE 1 # on", true, u"ACTIVE", u"1 # on"},
      {u"LOGDIR /var/log/my logs/ ", true, u"LOGDIR", u"/var/log/my logs/"},
      {u"EXCLUDE_USER ", true, u"EXCLUDE_USER", u""},
      {u"", false, u"", u""},
      {u"# MIN_LENGTH 8", false, u"", u""},
      {u" MIN_LENGTH 8", false, u"", u""},
      {u"MIN_LENGTH", false, u"", u""},
      {u"MIN_LENGTH=8", false, u"", u""},
  };
  for (const Row& row : rows) {
    const auto parsed = ParseRulesLine(row.line);
    ASSERT_EQ(parsed.has_value(), row.parsed) << std::string(row.line.begin(), row.line.end());
    if (!parsed) continue;
    EXPECT_EQ(parsed->token, row.token);
    EXPECT_EQ(parsed->value, row.value);
  }
}

TEST(RulesFileTest, NumbersReadLikeStrtol) {
  const std::pair<std::u16string, std::int32_t> rows[] = {
      {u"8", 8},
      {u"  12", 12},
      {u"+3", 3},
      {u"-4", -4},
      {u"8 # eight", 8},
      {u"1 # on", 1},
      {u"07", 7},
      {u"abc", 0},
      {u"", 0},
      {u"-", 0},
      {u"2147483647", 2147483647},
      {u"2147483648", 2147483647},
      {u"99999999999999999999999", 2147483647},
      {u"-2147483648", -2147483647 - 1},
      {u"-99999999999999999999999", -2147483647 - 1},
      {u"\u0664", 0},  // only ASCII digits are digits
  };
  for (const auto& [text, number] : rows) EXPECT_EQ(ReadRuleNumber(text), number);
}

}  // namespace
