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
  struct Row {
    std::u16string text;
    std::int32_t number;
    bool holdsNumber;  // a 0 that was written, or none at all
  };
  const Row rows[] = {
      {u"8", 8, true},
      {u"  12", 12, true},
      {u"+3", 3, true},
      {u"-4", -4, true},
      {u"8 # eight", 8, true},
      {u"1 # on", 1, true},
      {u"07", 7, true},
      {u"0", 0, true},
      {u"-0x1", 0, true},
      {u"abc", 0, false},
      {u"yes", 0, false},
      {u"", 0, false},
      {u"-", 0, false},
      {u"+ 1", 0, false},
      {u"2147483647", 2147483647, true},
      {u"2147483648", 2147483647, true},
      {u"99999999999999999999999", 2147483647, true},
      {u"-2147483648", -2147483647 - 1, true},
      {u"-99999999999999999999999", -2147483647 - 1, true},
      {u"\u0664", 0, false},  // only ASCII digits are digits
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ReadRuleNumber(row.text), row.number);
    EXPECT_EQ(HoldsRuleNumber(row.text), row.holdsNumber) << row.number;
  }
}

}  // namespace
