#include "rules/dictionary.h"

#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "platform/windows/message_box.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/tests/rules_fixture.h"

namespace {

class DictionaryTest : public RulesFixture {
 protected:
  void SetUp() override {
    RulesFixture::SetUp();
    WriteRules("ACTIVE 1\nDICTIONARY 1\n");
  }
  std::int32_t Check(std::u16string_view password, std::u16string& message) {
    return EnforcePasswordRules(nullptr, u"jsmith", u"", u"", password, u"", message);
  }
};

TEST_F(DictionaryTest, WhichLinesArePatterns) {
  const std::string longLine(600, 'k');
  WriteFile("MorrowenDictionary.txt", "secret\r\n"      // CR LF: the CR is no part of the word
                                      "Winter*\r\n"
                                      "trailing \r\n"   // the blank is part of the word
                                      "# comment\n"
                                      " indented\n"
                                      "-dash\n"
                                      "\n"
                                      "2024*\n"
                                      "secret\n"        // a duplicate is stored once
                                      "\xC3\x89t\xC3\xA9\n"  // a letter outside ASCII starts a word
                                      + longLine + "\n"
                                      "*last*");
  // A refusal names the pattern, or the line of an entry that is the
  // password itself.
  struct Row {
    std::u16string password;
    bool refused;
    std::u16string pattern;
  };
  const Row rows[] = {
      {u"secret", true, u"line 1"},  // its duplicate on line 9 is the same entry
      {u"SECRET", true, u"line 1"},
      {u"secret\r", false, u""},
      {u"winterIsComing", true, u"winter*"},
      {u"trailing ", true, u"line 3"},
      {u"trailing", false, u""},
      {u"# comment", false, u""},
      {u" indented", false, u""},
      {u"-dash", false, u""},
      {u"2024!", true, u"2024*"},
      {u"\u00C9T\u00C9", true, u"line 10"},
      {std::u16string(600, u'K'), true, u"line 11"},  // one pattern, not split
      {std::u16string(511, u'k'), false, u""},
      {u"atlastnow", true, u"*last*"},
      {u"good password", false, u""},
  };
  for (const Row& row : rows) {
    std::u16string message;
    EXPECT_EQ(Check(row.password, message), row.refused ? 0 : 1) << std::string(row.password.begin(), row.password.end());
    if (row.refused) {
      EXPECT_EQ(message, u"Password excluded by dictionary rule: " + row.pattern);
    }
  }
  EXPECT_TRUE(Contains(LogMessages(), "Dictionary: Loading '" + dir_ + "/MorrowenDictionary.txt'"));
  const auto log = LogMessages();
  const auto loaded = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.find(" entries loaded in ") != std::string::npos; });
  ASSERT_NE(loaded, log.end());
  EXPECT_EQ(loaded->substr(0, 25), "Dictionary: 7 entries loa");
}

TEST_F(DictionaryTest, InfixIsReportedAfterPrefixAndSuffixFail) {
  WriteFile("MorrowenDictionary.txt", "*dragon*\nzz*\n*zz\n");
  std::u16string message;
  EXPECT_EQ(Check(u"my-dragon-42", message), 0);
  EXPECT_EQ(message, u"Password excluded by dictionary rule: *dragon*");
  const auto log = LogMessages();
  EXPECT_TRUE(Contains(log, "Dictionary: Checked pwd status = 0"));
  EXPECT_TRUE(Contains(log, "Dictionary: Excluded by dictionary rule: *dragon*"));
  EXPECT_EQ(log[log.size() - 2], "Password Filter: rejected");
}

TEST_F(DictionaryTest, ThePasswordNeverReachesTheLog) {
  WriteRules("ACTIVE 1\nDICTIONARY 1\nSEVERE 1\n");
  WriteFile("MorrowenDictionary.txt", "letmein\n");
  std::u16string message;
  EXPECT_EQ(Check(u"Hunter2-unique", message), 1);
  EXPECT_EQ(Check(u"LetMeIn", message), 0);
  const auto log = LogMessages();
  EXPECT_TRUE(Contains(log, "Dictionary: Checked pwd status = 0"));
  EXPECT_TRUE(Contains(log, "Dictionary: Checked pwd status = 1"));
  for (const std::string& line : log) EXPECT_EQ(line.find("hunter2"), std::string::npos) << line;
}

// An entry that holds the whole password would show it in the rule log, in
// the service's log (which sees every rule-log line) and in the reply: it is
// named by its line in the dictionary, SEVERE or not. Other patterns stay.
TEST_F(DictionaryTest, AnEntryThatHoldsThePasswordIsNamedByItsLine) {
  WriteRules("ACTIVE 1\nDICTIONARY 1\nSEVERE 1\n");
  WriteFile("MorrowenDictionary.txt", "# words we refuse\n"
                                      "\n"
                                      "xq#7lm!pz9\n"
                                      "Hunter2*\n"
                                      "*Tr0ub4dor&3*\n"
                                      "*sn0wfall\n"
                                      "dragon*\n");
  struct Row {
    std::u16string password;
    std::string rule;
  };
  const Row rows[] = {
      {u"xq#7lm!pz9", "line 3"},    // the word itself
      {u"XQ#7LM!PZ9", "line 3"},    // lower-cased, it is the word
      {u"hunter2", "line 4"},       // a star that stands for nothing
      {u"tr0ub4dor&3", "line 5"},   // two of them
      {u"sn0wfall", "line 6"},
      {u"dragonfly77", "dragon*"},  // part of it: the pattern may show
  };
  static std::vector<std::string> observed;
  observed.clear();
  SetRulesLogObserver([](std::string_view text) { observed.emplace_back(text); });
  for (const Row& row : rows) {
    std::u16string message;
    EXPECT_EQ(Check(row.password, message), 0);
    EXPECT_EQ(Utf16ToUtf8(message), "Password excluded by dictionary rule: " + row.rule);
    EXPECT_EQ(LogMessages().at(LogMessages().size() - 3), "Dictionary: Excluded by dictionary rule: " + row.rule);
  }
  SetRulesLogObserver(nullptr);
  const auto log = LogMessages();
  EXPECT_EQ(observed, log);
  for (const char* secret : {"xq#7lm!pz9", "hunter2", "tr0ub4dor&3", "sn0wfall", "dragonfly77"}) {
    for (const std::string& line : log) EXPECT_EQ(line.find(secret), std::string::npos) << line;
  }
}

TEST_F(DictionaryTest, AbsentOrEmptyDictionaryAcceptsAll) {
  std::u16string message;
  EXPECT_EQ(Check(u"password", message), 1);
  EXPECT_TRUE(Contains(LogMessages(), "Dictionary: '" + dir_ + "/MorrowenDictionary.txt' - not opened - error 2"));

  WriteFile("MorrowenDictionary.txt", "# only comments\n\n");
  EXPECT_EQ(Check(u"password", message), 1);
  EXPECT_FALSE(Contains(LogMessages(), "Dictionary: Checked pwd status = 0"));

  WriteRules("ACTIVE 1\nDICTIONARY 0\n");
  WriteFile("MorrowenDictionary.txt", "password\n");
  EXPECT_EQ(Check(u"password", message), 1) << "DICTIONARY off";
}

TEST_F(DictionaryTest, StarAloneMatchesOnlyAStar) {
  WriteFile("MorrowenDictionary.txt", "*\n");
  std::u16string message;
  EXPECT_EQ(Check(u"anything", message), 1);
  EXPECT_EQ(Check(u"*", message), 0);
}

TEST_F(DictionaryTest, RefusalIsShownToAnOwnerWindow) {
  WriteFile("MorrowenDictionary.txt", "summer*\n");
  std::vector<std::string> shown;
  SetMessageBoxSink([&](const MessageBoxRequest& box) {
    shown.push_back(box.caption + ": " + box.text);
    return IDOK;
  });
  std::string message;
  HWND dialog = reinterpret_cast<HWND>(0x42);
  EXPECT_EQ(EnforcePasswordRules(dialog, "jsmith", "", "D", "Summer2026", "Old", message), 0);
  SetMessageBoxSink(nullptr);
  EXPECT_EQ(message, "Password excluded by dictionary rule: summer*");
  EXPECT_EQ(shown, (std::vector<std::string>{"VNK Password Enforcer: Password excluded by dictionary rule: summer*"}));
}

TEST_F(DictionaryTest, LongestPasswordAgainstALargeDictionary) {
  std::string words;
  for (int i = 0; i < 20000; ++i) words += "word" + std::to_string(i) + "*\n*x" + std::to_string(i) + "y*\n";
  WriteFile("MorrowenDictionary.txt", words);
  std::u16string password(32767, u'q');
  std::u16string message;
  EXPECT_EQ(Check(password, message), 1);
  password.replace(20000, 7, u"x19999y");
  EXPECT_EQ(Check(password, message), 0);
  EXPECT_EQ(message, u"Password excluded by dictionary rule: *x19999y*");
}

}  // namespace

namespace {

// Cases where a reading that looks the keys up as it goes could differ from
// a table of the whole file: which of several matching patterns is named,
// duplicates, line ends, and lines outside ASCII.
struct DictionaryCase {
  std::string dictionary;
  std::u16string password;
  std::string refusal;  // the rule named, or empty when the password passes
};

class DictionaryReadingTest : public DictionaryTest {
 protected:
  void Expect(const DictionaryCase& c) {
    WriteFile("MorrowenDictionary.txt", c.dictionary);
    std::u16string message;
    const std::int32_t passed = Check(c.password, message);
    const std::string what = "password '" + Utf16ToUtf8(c.password) + "'";
    if (c.refusal.empty()) {
      EXPECT_EQ(passed, 1) << what << ": " << Utf16ToUtf8(message);
    } else {
      EXPECT_EQ(passed, 0) << what;
      EXPECT_EQ(Utf16ToUtf8(message), "Password excluded by dictionary rule: " + c.refusal) << what;
    }
  }
  // The count in the last "entries loaded" line.
  std::string LoadedLine() {
    const auto log = LogMessages();
    for (auto line = log.rbegin(); line != log.rend(); ++line) {
      if (line->find(" entries loaded in ") != std::string::npos) return line->substr(0, line->find(" in "));
    }
    return "";
  }
};

TEST_F(DictionaryReadingTest, TheFirstMatchingKeyIsNamedWhateverTheFileOrder) {
  // Each line is a pattern that some password below matches together with
  // others; the file's order is not the keys' order.
  const std::string lines = "*time*\n"             // 1
                            "*mer*\n"              // 2
                            "summer*\n"            // 3
                            "*e2026\n"             // 4
                            "*2026\n"              // 5
                            "Summertime2026\n"     // 6
                            "summertime2026\n"     // 7: the same entry as line 6
                            "*summertime2026*\n"   // 8
                            "*summertime20266\n"   // 9: longer than any key of the passwords
                            "**\n"                 // 10
                            "*\n";                 // 11
  const DictionaryCase cases[] = {
      {lines, u"summertime2026", "line 6"},              // the password itself, before every star form
      {lines, u"SUMMERTIME2026x", "summer*"},            // a prefix before the infixes
      {lines, u"wintertime2026", "*2026"},               // the shorter suffix first, though written later
      {lines, u"xsummertime2026x", "*summertime2026*"},  // infix at 1 before *mer* at 4 and *time* at 7
      {lines, u"amertimeb", "*mer*"},                    // infix at 1 before *time* at 4
      {lines, u"mer", "line 2"},                         // a pattern longer than the password
      {lines, u"summertime202", "summer*"},
      {lines, u"the2026", "*2026"},                      // "*e2026" is never reached: "*2026" comes first
      {lines, u"a*", "**"},                              // "*" and the last character
      {lines, u"*a", "**"},                              // the first character and "*"
      {lines, u"*", "line 11"},
      {lines, u"autumn", ""},
  };
  for (const DictionaryCase& c : cases) Expect(c);
}

TEST_F(DictionaryReadingTest, DuplicatesAndLineEnds) {
  const DictionaryCase cases[] = {
      // Duplicates in any case and line end are one entry, named by its first line.
      {"# words\nSecret\r\nsecret\nSECRET\r\n", u"secret", "line 2"},
      // CR LF, and a last line without an end.
      {"alpha\r\nsecret\r\n*ret", u"ferret", "*ret"},
      {"alpha\r\n*ret\r", u"ferret", "*ret"},
      {"secret\r\n", u"secret\r", ""},
      // One CR is the line end's; one more is part of the word.
      {"word\r\r\nother\n", u"word\r", "line 1"},
      {"word\r\r\nother\n", u"word", ""},
      // A byte-order mark before the first line.
      {"\xEF\xBB\xBFsecret\nsecret*\n", u"secret", "line 1"},
      // A password with a line feed is no entry, though the file holds its two lines.
      {"abc\ndef\n", u"abc\ndef", ""},
      {"abc\ndef", u"abc\ndef", ""},
  };
  for (const DictionaryCase& c : cases) Expect(c);

  WriteFile("MorrowenDictionary.txt", "Secret\r\nsecret\nSECRET\r\n*x*\n*x*\n# secret\nsecret ");
  std::u16string message;
  Check(u"fine", message);
  EXPECT_EQ(LoadedLine(), "Dictionary: 3 entries loaded");
}

TEST_F(DictionaryReadingTest, LinesOutsideAscii) {
  const DictionaryCase cases[] = {
      {"x\n\xC3\x89t\xC3\xA9*\n", u"\u00c9T\u00c9S", "\xC3\xA9t\xC3\xA9*"},
      {"x\n\xC3\x89t\xC3\xA9*\n", u"\u00e9t\u00e9", "line 2"},
      // The Kelvin sign lower-cases to "k": shorter than its bytes.
      {"*\xE2\x84\xAA" "elvin*\n", u"kelvin", "line 1"},
      {"*\xE2\x84\xAA" "elvin*\n", u"xKELVINx", "*kelvin*"},
      // A byte outside UTF-8 is the character of its value.
      {"a\x80\n", u"a\u0080", "line 1"},
      {"\x80" "abc\n", u"\u0080abc", ""},  // U+0080 is no letter: a comment
  };
  for (const DictionaryCase& c : cases) Expect(c);

  // A stray byte and its UTF-8 form are the same character: one entry.
  WriteFile("MorrowenDictionary.txt", "a\x80\na\xC2\x80\nA\xC2\x80\n");
  std::u16string message;
  Check(u"fine", message);
  EXPECT_EQ(LoadedLine(), "Dictionary: 1 entries loaded");
}

TEST_F(DictionaryReadingTest, ManyLines) {
  // Every hundredth line with CR LF, a duplicate at the end.
  std::string words;
  for (int i = 0; i < 60000; ++i) {
    words += (i % 3 == 0 ? "*w" : "w") + std::to_string(i) + (i % 2 ? "*" : "") + (i % 100 == 0 ? "\r\n" : "\n");
  }
  words += "*59999\n*w5999*\nw59998\n";
  const DictionaryCase cases[] = {
      {words, u"w59998", "line 59999"},
      {words, u"zw59999", "*59999"},
      {words, u"xw5999x", "*w5999*"},
      {words, u"w1234567", "w1*"},
      {words, u"nothing", ""},
  };
  for (const DictionaryCase& c : cases) Expect(c);
  EXPECT_EQ(LoadedLine(), "Dictionary: 60002 entries loaded");
}

}  // namespace
