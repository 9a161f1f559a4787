// The wide string list: growth by doubling, reads past the end, and UTF-8
// widened by the project's conversion.
#include "credprov/wide_string_array.h"

#include <gtest/gtest.h>

namespace {

TEST(WideStringArray, GrowsByDoublingAndReturnsEachNewIndex) {
  CWideStringArray list;
  EXPECT_EQ(list.GetCapacity(), 1u);
  EXPECT_EQ(list.GetCount(), 0u);
  const struct {
    const char16_t* text;
    int index;
    std::uint32_t capacity;
  } steps[] = {{u"first", 0, 1}, {u"second", 1, 2}, {u"third", 2, 4}, {u"", 3, 4}, {u"fifth", 4, 8}};
  for (const auto& step : steps) {
    EXPECT_EQ(list.Add(step.text), step.index);
    EXPECT_EQ(list.GetCapacity(), step.capacity);
  }
  for (const auto& step : steps) EXPECT_EQ(std::u16string(list.Get(static_cast<std::uint32_t>(step.index))), step.text);
  EXPECT_EQ(list.Get(5), nullptr);
  EXPECT_EQ(list.Get(0xFFFFFFFFu), nullptr);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.Get(0), nullptr);
}

TEST(WideStringArray, KeepsCopiesAndWidensUtf8Losslessly) {
  CWideStringArray list;
  std::u16string source = u"server";
  list.Add(source);
  source[0] = u'X';
  EXPECT_EQ(std::u16string(list.Get(0)), u"server");
  EXPECT_EQ(list.AddNarrow("J\xc3\xb6rg"), 1);
  EXPECT_EQ(std::u16string(list.Get(1)), u"J\u00f6rg");
  // A byte outside UTF-8 becomes the code unit of its value.
  EXPECT_EQ(list.AddNarrow("a\x80z"), 2);
  EXPECT_EQ(std::u16string(list.Get(2)), u"a\u0080z");
}

}  // namespace
