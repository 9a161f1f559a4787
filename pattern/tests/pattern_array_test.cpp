// CPatternArray: the growth rule that every list and stack of the engine
// follows, the fill of new entries, and the byte runs with their NUL.
#include "pattern/pattern_array.h"

#include <gtest/gtest.h>

namespace {

TEST(PatternArrayTest, GrowsByTheRule) {
  struct Case {
    int32_t capacity;  // reached first by pushes
    int32_t grow;      // then SetCount to this
    int32_t expected;
  };
  const Case cases[] = {
      {0, 1, 8},     // at least 8
      {0, 20, 24},   // 8, doubled 16, still short: (20 + 11) & ~7
      {8, 12, 16},   // doubled
      {16, 40, 48},  // (40 + 11) & ~7
      {8, 8, 8},     // big enough: unchanged
  };
  for (const Case& c : cases) {
    CPatternArray<int32_t> array;
    for (int32_t i = 0; i < c.capacity; ++i) array.Push(i);
    ASSERT_EQ(array.Capacity(), c.capacity);
    array.SetCount(c.grow, -1);
    EXPECT_EQ(array.Capacity(), c.expected) << c.capacity << " -> " << c.grow;
  }
  CPatternArray<int32_t> pushed;
  for (int32_t i = 0; i < 9; ++i) pushed.Push(i);
  EXPECT_EQ(pushed.Capacity(), 16);  // a push doubles
}

TEST(PatternArrayTest, NewEntriesTakeTheFillAndRunsKeepANul) {
  CPatternArray<int32_t> array;
  array.Push(5);
  array.SetCount(4, -1);
  EXPECT_EQ(array[0], 5);
  EXPECT_EQ(array[3], -1);
  array.SetCount(1, 0);
  array.SetCount(2, 0);
  EXPECT_EQ(array[1], 0);

  CPatternArray<uint8_t> bytes;
  const uint8_t run[] = {'a', 'b', 'c'};
  bytes.AppendRun(run, 3);
  bytes.AppendRun(run, 2);
  EXPECT_EQ(bytes.Count(), 5);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.Data()), "abcab");

  CPatternArray<uint8_t> owner;
  bytes.HandOver(owner);
  EXPECT_EQ(bytes.Count(), 0);
  EXPECT_EQ(bytes.Data(), nullptr);
  EXPECT_EQ(owner.Count(), 5);
}

}  // namespace
