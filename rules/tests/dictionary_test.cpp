#include "rules/dictionary.h"

#include "platform/base/text.h"
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
