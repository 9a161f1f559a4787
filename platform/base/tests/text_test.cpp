#include "platform/base/text.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
  std::string utf8;
  std::u16string utf16;
};

TEST(TextTest, Utf8AndUtf16RoundTrip) {
  const Conversion cases[] = {
      {"", u""},
      {"plain", u"plain"},
      {"caf\xC3\xA9", u"caf\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xED\xA0\x80", std::u16string(1, u'\xD800')},  // unpaired surrogate
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(TextTest, InvalidUtf8BytesBecomeUnitsOfTheSameValue) {
  const Conversion cases[] = {
      {"\x80", u"\u0080"},
      {"a\xFF" "b", u"a\u00FFb"},
      {"\xC3", u"\u00C3"},                   // truncated sequence
      {"\xC0\xAF", u"\u00C0\u00AF"},         // overlong
      {"\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080"},  // past U+10FFFF
      {"\xE2\x82" "x", u"\u00E2\u0082x"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
}

TEST(TextTest, LowerCaseIsPerCodePointAndKeepsInvalidBytes) {
  EXPECT_EQ(LowerCase(u"AbC\u00C9\u0130Z"), u"abc\u00E9iz");
  EXPECT_EQ(LowerCase(std::string("ABC\xC3\x89")), "abc\xC3\xA9");
  EXPECT_EQ(LowerCase(std::string("A\xFFZ")), "a\xFFz");
  EXPECT_EQ(LowerCase(u"\U00010400"), u"\U00010428");  // Deseret, a surrogate pair
  EXPECT_EQ(LowerCase(std::u16string(1, u'\xDC00')), std::u16string(1, u'\xDC00'));
}

TEST(TextTest, ClassesCountLettersOutsideAscii) {
  struct Row {
    char16_t c;
    bool alnum, alpha, digit, lower, upper, space;
  };
  const Row rows[] = {
      {u'a', true, true, false, true, false, false},
      {u'Z', true, true, false, false, true, false},
      {u'7', true, false, true, false, false, false},
      {u'\u00E9', true, true, false, true, false, false},
      {u'\u00C9', true, true, false, false, true, false},
      {u'\u05D0', true, true, false, false, false, false},  // Hebrew alef: no case
      {u' ', false, false, false, false, false, true},
      {u'\t', false, false, false, false, false, true},
      {u'!', false, false, false, false, false, false},
      {u'\xD800', false, false, false, false, false, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.c));
    EXPECT_EQ(IsAlnumChar(r.c), r.alnum);
    EXPECT_EQ(IsAlphaChar(r.c), r.alpha);
    EXPECT_EQ(IsDigitChar(r.c), r.digit);
    EXPECT_EQ(IsLowerChar(r.c), r.lower);
    EXPECT_EQ(IsUpperChar(r.c), r.upper);
    EXPECT_EQ(IsSpaceChar(r.c), r.space);
  }
}

TEST(TextTest, CutPointNeverSplitsASequence) {
  const std::string euro = "ab\xE2\x82\xAC";  // 2 + 3 bytes
  EXPECT_EQ(Utf8CutPoint(euro, 10), 5u);
  EXPECT_EQ(Utf8CutPoint(euro, 5), 5u);
  EXPECT_EQ(Utf8CutPoint(euro, 4), 2u);
  EXPECT_EQ(Utf8CutPoint(euro, 3), 2u);
  EXPECT_EQ(Utf8CutPoint(euro, 2), 2u);
  EXPECT_EQ(Utf8CutPoint("\xC3\xA9", 1), 0u);
  EXPECT_EQ(Utf8CutPoint("\x80\x80\x80\x80\x80", 2), 2u);  // stray bytes: cut anywhere
  EXPECT_EQ(Utf8CutPoint("abc", 0), 0u);
}

}  // namespace
