// The random choice of a user's questions: the per-thread generator the
// lookups draw from (seeded with the time in whole seconds, so two lookups
// of one user within a second agree) and the order it gives.
#pragma once

#include <cstdint>
#include <vector>

// The runtime's classic generator: state = state * 214013 + 2531011 (mod
// 2^32), each draw bits 16 to 30 of the new state (0 to 32767).
class CQuestionRandom {
 public:
  explicit CQuestionRandom(std::uint32_t seed) : state(seed) {}
  std::int32_t Next() {
    state = state * 214013u + 2531011u;
    return static_cast<std::int32_t>((state >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t state;
};

// Seeds the calling thread's generator with `seed`.
void SeedQuestionRandom(std::uint32_t seed);

// The numbers 0 .. found - 1, each paired with one draw of the calling
// thread's generator in that order, sorted by the draw (ties keep their
// order), the first `count` of them.
std::vector<int> ChooseQuestions(int found, int count);
