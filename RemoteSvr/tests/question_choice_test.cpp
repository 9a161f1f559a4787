// The generator behind the random choice of questions, and the order it
// gives.
#include "RemoteSvr/question_choice.h"

#include <gtest/gtest.h>

namespace {

TEST(QuestionChoice, GeneratorIsTheRuntimesClassicOne) {
  // The well-known first draws after seeding with 1.
  CQuestionRandom random(1);
  const std::int32_t expected[] = {41, 18467, 6334, 26500, 19169};
  for (const std::int32_t value : expected) EXPECT_EQ(random.Next(), value);
}

TEST(QuestionChoice, QuestionsSortedByTheirDraws) {
  // Seed 1 draws 41, 18467, 6334, 26500, 19169 for questions 0 to 4.
  SeedQuestionRandom(1);
  EXPECT_EQ(ChooseQuestions(5, 5), (std::vector<int>{0, 2, 1, 4, 3}));
  SeedQuestionRandom(1);
  EXPECT_EQ(ChooseQuestions(5, 3), (std::vector<int>{0, 2, 1}));
  SeedQuestionRandom(1);
  EXPECT_EQ(ChooseQuestions(2, 5), (std::vector<int>{0, 1}));
  EXPECT_TRUE(ChooseQuestions(0, 5).empty());
}

}  // namespace
