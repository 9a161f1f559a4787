// Hashed answers and the clients' answer check.
#include "RemoteSvr/common/hashed_answer.h"

#include <gtest/gtest.h>

namespace {

TEST(HashedAnswer, IsTheDigestTextOfTheLowerCasedAnswer) {
  EXPECT_EQ(HashedAnswer("abc"), "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
  EXPECT_EQ(HashedAnswer("Abc"), HashedAnswer("abc"));
  EXPECT_EQ(HashedAnswer("ABC"), HashedAnswer("abc"));
  EXPECT_EQ(HashedAnswer(""), "md5:1DD4-D98C-008F-04B2-80E9-9809-F8EC-7E42");
  // Lower-casing is the shared one, so letters outside ASCII fold too.
  EXPECT_EQ(HashedAnswer("\u00c4RGER"), HashedAnswer("\u00e4rger"));
}

TEST(HashedAnswer, RecognisesThePrefixInAnyCase) {
  EXPECT_TRUE(IsHashedAnswer("md5:0190"));
  EXPECT_TRUE(IsHashedAnswer("MD5:0190"));
  EXPECT_TRUE(IsHashedAnswer("Md5:"));
  EXPECT_FALSE(IsHashedAnswer("md5"));
  EXPECT_FALSE(IsHashedAnswer("md6:0190"));
  EXPECT_FALSE(IsHashedAnswer(" md5:0190"));
}

TEST(AnswerMatches, PlainAndHashedStoredAnswersInAnyLetterCase) {
  const std::string hashedAbc = "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F";
  const struct {
    std::string stored;
    std::string typed;
    bool passes;
  } cases[] = {
      {"Rex", "rex", true},
      {"Rex", "REX", true},
      {"Rex", "Rex ", false},
      {"Mrs \u00c5ngstr\u00f6m", "MRS \u00e5NGSTR\u00d6M", true},
      {hashedAbc, "abc", true},
      {hashedAbc, "aBC", true},
      {"MD5:0190-9850-d23c-b04f-96d6-7d3f-e128-727f", "ABC", true},
      {hashedAbc, "abd", false},
      {hashedAbc, "", false},
      {"", "", true},
      {"", "x", false},
  };
  for (const auto& c : cases) EXPECT_EQ(AnswerMatches(c.stored, c.typed), c.passes) << c.stored << " / " << c.typed;
}

}  // namespace
