#include "rules/wildcard_patterns.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CWildcardPatternSet Set(std::vector<std::u16string> patterns) {
  CWildcardPatternSet set;
  for (auto& p : patterns) set.Insert(std::move(p));
  return set;
}

TEST(WildcardPatternsTest, FormsAndWhichPatternIsReported) {
  struct Row {
    std::vector<std::u16string> patterns;
    std::u16string name;
    bool found;
    std::u16string matched;
  };
  const Row rows[] = {
      {{u"admin*"}, u"administrator", true, u"admin*"},
      {{u"admin*"}, u"admin", true, u"admin*"},  // the text a star stands for may be empty
      {{u"*svc"}, u"backupsvc", true, u"*svc"},
      {{u"*test*"}, u"mytester", true, u"*test*"},
      {{u"*test*"}, u"test", true, u"*test*"},
      {{u"a*b"}, u"a*b", true, u"a*b"},
      {{u"a*b"}, u"axb", false, u""},
      {{u"*"}, u"*", true, u"*"},
      {{u"*"}, u"anything", false, u""},
      {{u"**"}, u"x", false, u""},
      {{u"bob"}, u"bob", true, u"bob"},
      {{u"bob"}, u"", false, u""},
      // Several match: the exact name first, then suffix before prefix at
      // each length, shortest first, then infixes left to right.
      {{u"jsmith", u"*h", u"j*"}, u"jsmith", true, u"jsmith"},
      {{u"*th", u"js*"}, u"jsmith", true, u"*th"},
      {{u"*ith", u"js*"}, u"jsmith", true, u"js*"},
      {{u"*mi*", u"*sm*"}, u"jsmith", true, u"*sm*"},
      {{u"*smi*", u"*mit*"}, u"jsmith", true, u"*smi*"},
      {{u"*jsmith*", u"*smith"}, u"jsmith", true, u"*smith"},
  };
  for (const Row& row : rows) {
    std::u16string matched;
    const CWildcardPatternSet set = Set(row.patterns);
    EXPECT_EQ(FindWildcardEntry(set, row.name, matched) == TRUE, row.found) << std::string(row.name.begin(), row.name.end());
    if (row.found) {
      EXPECT_EQ(matched, row.matched);
    }
  }
}

TEST(WildcardPatternsTest, PastExactSkipsOnlyTheNameItself) {
  const CWildcardPatternSet set = Set({u"secret", u"sec*"});
  std::u16string matched;
  ASSERT_TRUE(FindWildcardEntry(set, u"secret", matched, WILDCARD_PAST_EXACT));
  EXPECT_EQ(matched, u"sec*");
  EXPECT_FALSE(FindWildcardEntry(Set({u"secret"}), u"secret", matched, WILDCARD_PAST_EXACT));
}

// A duplicate is kept once, and every pattern is still found after the
// table has grown.
TEST(WildcardPatternsTest, DuplicatesAreKeptOnceAsTheTableGrows) {
  CWildcardPatternSet set;
  for (int i = 0; i < 200; ++i) {
    const std::string word = i % 2 == 0 ? "w" + std::to_string(i) + "*" : "dup";
    set.Insert(std::u16string(word.begin(), word.end()));
  }
  EXPECT_EQ(set.Size(), 101u);
  EXPECT_TRUE(set.Contains(u"dup"));
  EXPECT_TRUE(set.Contains(u"w0*"));
  EXPECT_TRUE(set.Contains(u"w198*"));
  EXPECT_FALSE(set.Contains(u"w1*"));
  set.Clear();
  EXPECT_TRUE(set.Empty());
  EXPECT_FALSE(set.Contains(u"dup"));
}

TEST(WildcardPatternsTest, LongNamesAgainstShortPatterns) {
  // Every key the unbounded search would try, but only those that fit.
  std::u16string name(32767, u'a');
  name.replace(16000, 6, u"qwerty");
  std::u16string matched;
  EXPECT_TRUE(FindWildcardEntry(Set({u"*qwerty*", u"zz*"}), name, matched));
  EXPECT_EQ(matched, u"*qwerty*");
  EXPECT_FALSE(FindWildcardEntry(Set({u"*qwertz*", u"b*"}), name, matched));
}

}  // namespace
