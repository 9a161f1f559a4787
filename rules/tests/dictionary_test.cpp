#include "rules/dictionary.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "platform/windows/message_box.h"
#include "rules/dictionary_scan.h"
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

// The single pass against the whole table: for each dictionary and password
// the same first pattern in FindWildcardEntry's order, and the same line.
struct ScanCase {
  std::string dictionary;
  std::u16string password;  // lower-cased already
};

class DictionaryScanTest : public RulesFixture {
 protected:
  struct Outcome {
    bool found = false;
    bool exact = false;
    std::u16string pattern;
    std::size_t line = 0;
    bool operator==(const Outcome& o) const {
      return found == o.found && exact == o.exact && pattern == o.pattern && line == o.line;
    }
  };

  Outcome FromTable(const std::string& path, const std::u16string& password) {
    CWildcardPatternSet patterns;
    std::vector<std::size_t> lines;
    EXPECT_TRUE(ReadDictionaryPatterns(path, patterns, lines));
    Outcome out;
    out.exact = patterns.Contains(password);
    if (out.exact) {
      out.found = true;
      out.pattern = password;
    } else {
      out.found = FindWildcardEntry(patterns, password, out.pattern, WILDCARD_PAST_EXACT) != FALSE;
    }
    if (out.found) out.line = lines.at(patterns.Position(out.pattern));
    return out;
  }

  Outcome FromScan(const std::string& path, const std::u16string& password) {
    const int fd = OpenRegularTextFile(path);
    EXPECT_GE(fd, 0);
    const CDictionaryKeys keys(password);
    CDictionaryHit hit;
    EXPECT_TRUE(ScanDictionary(fd, keys, hit));
    ::close(fd);
    Outcome out;
    out.found = hit.Found();
    out.exact = hit.rank == 0;
    out.pattern = hit.pattern;
    out.line = hit.line;
    return out;
  }

  static std::string Describe(const Outcome& o) {
    return o.found ? Utf16ToUtf8(o.pattern) + " at line " + std::to_string(o.line) : "no match";
  }
};

TEST_F(DictionaryScanTest, OnePassFindsWhatTheTableFinds) {
  const std::string lines = "# several patterns match 'summertime2026'\n"
                            "*time*\n"            // infix at 6
                            "*mer*\n"             // infix at 3: before *time*
                            "summer*\n"           // prefix of 6: before both infixes
                            "*2026\n"             // suffix of 4: before summer*
                            "*e2026\n"            // suffix of 5: after *2026, before summer*
                            "Summertime2026\n"    // the password itself: first of all
                            "summertime2026\n"    // its duplicate, a later line
                            "*summertime2026*\n"  // longer than the password by two
                            "*summertime20266\n"  // longer than any key
                            "**\n"
                            "*\n"
                            "s*\n";
  const ScanCase cases[] = {
      {lines, u"summertime2026"},
      {lines, u"winter2026"},                 // only the suffix
      {lines, u"xmerx"},                      // only an infix
      {lines, u"s"},                          // "s*" with the star standing for nothing
      {lines, u"*"},                          // the star line itself
      {lines, u"a*"},                         // "**": a star and the last character
      {lines, u"*a"},                         // "**": the first character and a star
      {lines, u"sx"},
      {lines, u""},
      {"secret\r\nSECRET\r\n*ret", u"secret"},           // CR LF, and a last line without an end
      {"alpha\r\n*ret\r", u"secret"},                    // a last line of a CR alone after the word
      {"\xEF\xBB\xBFsecret\nsecret*\n", u"secret"},      // a byte-order mark before the first line
      {"x\n\xC3\x89t\xC3\xA9*\n*\xC3\xA9t\xC3\xA9\n", u"\u00e9t\u00e9s"},  // outside ASCII
      {"*\xE2\x84\xAA" "elvin*\n", u"kelvin"},          // the Kelvin sign lower-cases to k
      {"#secret\n secret\n-secret\nsecret \n", u"secret"},  // comments, and a trailing blank
      {"ab*\nabc\n*bc*\n*b*\n", u"abc"},
      {"ab*\n*bc*\n*b*\n", u"abcd"},
      {"*cd\n*b*\n*bc*\n", u"abcd"},
      {"*bc*\n*ab*\n", u"abcabc"},                      // an infix found at its first place
      {std::string(70000, 'k') + "\n*kk*\n" + std::string(70000, 'q') + "\n*q*", u"qq"},  // long lines
  };
  for (const ScanCase& c : cases) {
    WriteFile("MorrowenDictionary.txt", c.dictionary);
    const std::string path = dir_ + "/MorrowenDictionary.txt";
    const Outcome table = FromTable(path, c.password), scan = FromScan(path, c.password);
    EXPECT_TRUE(scan == table) << Utf16ToUtf8(c.password) << ": table " << Describe(table) << ", scan "
                               << Describe(scan);
  }
}

TEST_F(DictionaryScanTest, ManyLinesAcrossPieces) {
  // Lines over the pieces' borders, every hundredth with CR LF, and the
  // best pattern late in the file.
  std::string words;
  for (int i = 0; i < 60000; ++i) {
    words += (i % 3 == 0 ? "*w" : "w") + std::to_string(i) + (i % 2 ? "*" : "") + (i % 100 == 0 ? "\r\n" : "\n");
  }
  words += "*59999\n*w5999*\nw59998\n";
  WriteFile("MorrowenDictionary.txt", words);
  const std::string path = dir_ + "/MorrowenDictionary.txt";
  for (const std::u16string password : {u"w59998", u"zw59999", u"w5999", u"xw5999x", u"w1234567", u"nothing"}) {
    const Outcome table = FromTable(path, password), scan = FromScan(path, password);
    EXPECT_TRUE(scan == table) << Utf16ToUtf8(password) << ": table " << Describe(table) << ", scan "
                               << Describe(scan);
  }
}

// The check through the engine when the file's count is already known: the
// same answers and log lines as the first reading, which reads the table.
TEST_F(DictionaryScanTest, CountedFileGivesTheSameAnswersAndLogLines) {
  WriteRules("ACTIVE 1\nDICTIONARY 1\n");
  WriteFile("MorrowenDictionary.txt", "secret\r\nWinter*\r\n*last*\nsecret\n*ret\n2024*");
  const std::u16string passwords[] = {u"secret", u"winterIsComing", u"atlastnow", u"ferret", u"2024!", u"fine"};
  const auto run = [&](bool counted) -> std::vector<std::string> {
    std::vector<std::string> outcome;
    for (const std::u16string& password : passwords) {
      if (counted) {
        struct stat info{};
        EXPECT_EQ(::stat((dir_ + "/MorrowenDictionary.txt").c_str(), &info), 0);
        DictionaryEntryCount& count = EngineState().dictionaryCount;
        count = DictionaryEntryCount{};
        count.device = info.st_dev;
        count.inode = info.st_ino;
        count.size = info.st_size;
        count.changed[0] = info.st_ctim.tv_sec;
        count.changed[1] = info.st_ctim.tv_nsec;
        count.modified[0] = info.st_mtim.tv_sec;
        count.modified[1] = info.st_mtim.tv_nsec;
        count.entries = 5;
        count.known = true;
      } else {
        EngineState().dictionaryCount.known = false;
      }
      std::filesystem::remove(dir_ + "/MorrowenRules.log");
      std::u16string message;
      const int passed = EnforcePasswordRules(nullptr, u"jsmith", u"", u"", password, u"", message);
      outcome.push_back(std::to_string(passed) + " " + Utf16ToUtf8(message));
      for (const std::string& line : LogMessages()) {
        if (line.rfind("Dictionary: ", 0) == 0 && line.find(" entries loaded in ") == std::string::npos) {
          outcome.push_back(line);
        } else if (line.rfind("Dictionary: ", 0) == 0) {
          outcome.push_back(line.substr(0, line.find(" in ")));
        }
      }
    }
    return outcome;
  };
  const std::vector<std::string> table = run(false);
  const std::vector<std::string> scan = run(true);
  EXPECT_EQ(scan, table);
  EXPECT_NE(std::find(table.begin(), table.end(), "0 Password excluded by dictionary rule: line 1"), table.end());
  EXPECT_NE(std::find(table.begin(), table.end(), "Dictionary: 5 entries loaded"), table.end());
}

}  // namespace
