// The per-thread generator and the sort by draws.
#include "RemoteSvr/question_choice.h"

#include <algorithm>
#include <utility>

namespace {

thread_local CQuestionRandom threadRandom(1);

}  // namespace

void SeedQuestionRandom(std::uint32_t seed) { threadRandom = CQuestionRandom(seed); }

std::vector<int> ChooseQuestions(int found, int count) {
  std::vector<std::pair<std::int32_t, int>> draws;
  draws.reserve(static_cast<std::size_t>(std::max(found, 0)));
  for (int number = 0; number < found; ++number) draws.emplace_back(threadRandom.Next(), number);
  std::stable_sort(draws.begin(), draws.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<int> chosen;
  for (int i = 0; i < count && i < found; ++i) chosen.push_back(draws[static_cast<std::size_t>(i)].second);
  return chosen;
}
