#include "rules/password_measures.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordMeasuresTest, CountsTheTenMeasures) {
  struct Row {
    std::u16string password;
    PasswordCounts n;
  };
  // initialRun, initialDigits, alphabetic, digits, lower, upper, mixed, special, unique, length
  const Row rows[] = {
      {u"", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {u"12abc", {5, 2, 3, 2, 3, 0, 0, 0, 5, 5}},
      {u"!abc", {0, 0, 3, 0, 3, 0, 0, 1, 4, 4}},
      {u"Aa Aa", {2, 0, 4, 0, 2, 2, 1, 1, 3, 5}},
      {u"aaaa", {4, 0, 4, 0, 4, 0, 0, 0, 1, 4}},
      {u"\u00C9t\u00E9 1", {3, 0, 3, 1, 2, 1, 1, 1, 5, 5}},  // letters outside ASCII are letters
      {u"\u05D0\u05D1", {2, 0, 2, 0, 0, 0, 0, 0, 2, 2}},       // letters without case
  };
  for (const Row& row : rows) {
    std::unordered_set<char16_t> scratch{u'z'};
    const PasswordCounts n = CountPasswordCharacters(row.password, scratch);
    SCOPED_TRACE(std::string(row.password.begin(), row.password.end()));
    EXPECT_EQ(n.initialRun, row.n.initialRun);
    EXPECT_EQ(n.initialDigits, row.n.initialDigits);
    EXPECT_EQ(n.alphabetic, row.n.alphabetic);
    EXPECT_EQ(n.digits, row.n.digits);
    EXPECT_EQ(n.lower, row.n.lower);
    EXPECT_EQ(n.upper, row.n.upper);
    EXPECT_EQ(n.mixed, row.n.mixed);
    EXPECT_EQ(n.special, row.n.special);
    EXPECT_EQ(n.unique, row.n.unique);
    EXPECT_EQ(n.length, row.n.length);
    EXPECT_TRUE(scratch.empty());
  }
}

TEST(PasswordMeasuresTest, LongestSharedRun) {
  struct Row {
    std::u16string text, password;
    bool reversed;
    std::int32_t run;
  };
  const Row rows[] = {
      {u"jsmith", u"xxJSMIxx", false, 4},
      {u"jsmith", u"imsjPass", true, 4},
      {u"jsmith", u"xxJSMIxx", true, 1},
      {u"", u"anything", false, 0},
      {u"abc", u"", false, 0},
      {u"ab", u"b", false, 1},   // a run at the last position counts too
      {u"b", u"ab", false, 1},
      {u"a", u"ab", false, 1},
      {u"xyz", u"ab", false, 0},
      {u"password", u"password", false, 8},
      {u"abcdef", u"xabxcdexf", false, 3},
      {u"\u00C9T\u00C9", u"\u00E9t\u00E9!", false, 3},  // case ignored outside ASCII
      {u"a\U0001F600b", u"b\U0001F600a", true, 4},        // reversed by character, not by unit
  };
  for (const Row& row : rows)
    EXPECT_EQ(ConsecutiveCharactersAlsoIn(row.text, row.password, row.reversed), row.run)
        << std::string(row.password.begin(), row.password.end());
}

TEST(PasswordMeasuresTest, LongPasswordAgainstShortText) {
  std::u16string password(32767, u'x');
  password.replace(30000, 4, u"jsmi");
  EXPECT_EQ(ConsecutiveCharactersAlsoIn(u"jsmith", password, false), 4);
}

}  // namespace
