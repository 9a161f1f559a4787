#include "rules/rule_engine.h"

#include <sys/stat.h>

#include <functional>
#include <thread>

#include "platform/windows/message_box.h"
#include "rules/tests/rules_fixture.h"

namespace {

using RuleEngineTest = RulesFixture;

std::int32_t Check(std::u16string_view user, std::u16string_view full, std::u16string_view password,
                   std::u16string& message, std::u16string_view oldPassword = u"") {
  return EnforcePasswordRules(nullptr, user, full, u"", password, oldPassword, message);
}

TEST_F(RuleEngineTest, WithoutARulesFileEveryPasswordIsAccepted) {
  std::u16string message = u"stale";
  EXPECT_EQ(Check(u"jsmith", u"", u"x", message), 1);
  EXPECT_EQ(message, u"");
  const std::string path = dir_ + "/MorrowenRules.txt";
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"--- Start ---", "Rules: opening '" + path + "'",
                                      "Rules: '" + path + "' - not opened - error 2",
                                      "Rules: no rules read, so every password is accepted",
                                      "Password Filter: not active", "---- End ----"}));
}

// Every way to end up with ACTIVE off accepts even "a"; each but an ACTIVE
// that reads 0 leaves one line that says why, just before "not active".
TEST_F(RuleEngineTest, AnInactiveEngineSaysWhy) {
  const std::string path = dir_ + "/MorrowenRules.txt";
  const std::string unread = "Rules: no rules read, so every password is accepted";
  struct Row {
    const char* what;
    std::function<void()> prepare;
    std::vector<std::string> why;  // the lines between the tokens and "not active"
  };
  const Row rows[] = {
      {"a folder", [&] { std::filesystem::create_directory(path); },
       {"Rules: '" + path + "' - not opened - error 5", unread}},
      {"a FIFO, never waited on", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       {"Rules: '" + path + "' - not opened - error 5", unread}},
      {"UTF-16", [&] { WriteRules(std::string("\xFF\xFE" "A\0C\0T\0I\0V\0E\0 \0" "1\0\n\0", 20)); },
       {"Rules: loaded token [\xC3\xBF\xC3\xBE" "A] = value []",  // cut at its first zero
        "Rules: '" + path + "' is not a text file (it holds a zero byte), so every password is accepted"}},
      {"a zero byte", [&] { WriteRules(std::string("MIN_LENGTH 8\n\0\x01\x02\n", 17)); },
       {"Rules: loaded token [MIN_LENGTH] = value [8]",
        "Rules: '" + path + "' is not a text file (it holds a zero byte), so every password is accepted"}},
      {"no ACTIVE line", [&] { WriteRules("MIN_LENGTH 8\n"); },
       {"Rules: loaded token [MIN_LENGTH] = value [8]", "Rules: no ACTIVE line, so every password is accepted"}},
      {"ACTIVE yes", [&] { WriteRules("ACTIVE yes\n"); },
       {"Rules: loaded token [ACTIVE] = value [yes]", "Rules: ACTIVE [yes] is not a number, so every password is accepted"}},
      {"ACTIVE without a value", [&] { WriteRules("ACTIVE \n"); },
       {"Rules: loaded token [ACTIVE] = value []", "Rules: ACTIVE [] is not a number, so every password is accepted"}},
      {"ACTIVE 0: the administrator's choice", [&] { WriteRules("ACTIVE 0 # off\n"); },
       {"Rules: loaded token [ACTIVE] = value [0 # off]"}},
  };
  for (const Row& row : rows) {
    std::filesystem::remove_all(path);
    std::filesystem::remove(dir_ + "/MorrowenRules.log");
    row.prepare();
    std::u16string message;
    EXPECT_EQ(Check(u"u", u"", u"a", message), 1) << row.what;
    std::vector<std::string> expected = {"--- Start ---", "Rules: opening '" + path + "'"};
    expected.insert(expected.end(), row.why.begin(), row.why.end());
    expected.insert(expected.end(), {"Password Filter: not active", "---- End ----"});
    EXPECT_EQ(LogMessages(), expected) << row.what;
  }
  std::filesystem::remove_all(path);
}

TEST_F(RuleEngineTest, LinesBeforeLogDirGoToTheSystemDirectory) {
  std::filesystem::create_directory(dir_ + "/logs");
  WriteRules("ACTIVE 1\nLOGDIR " + dir_ + "/logs\n");
  std::u16string message;
  EXPECT_EQ(Check(u"u", u"", u"x", message), 1);
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                               "--- Start ---", "Rules: opening '" + dir_ + "/MorrowenRules.txt'",
                               "Rules: loaded token [ACTIVE] = value [1]",
                               "Rules: loaded token [LOGDIR] = value [" + dir_ + "/logs]",
                               "Switching logfile to: " + dir_ + "/logs/MorrowenRules.log", "---"}));
  EXPECT_TRUE(std::filesystem::is_empty(cwd_)) << "nothing in the working directory";
}

TEST_F(RuleEngineTest, OnlyANonZeroActiveTurnsTheEngineOn) {
  const std::pair<std::string, bool> rows[] = {
      {"MIN_LENGTH 50\n", false},
      {"ACTIVE 0\nMIN_LENGTH 50\n", false},
      {"active 1\nMIN_LENGTH 50\n", false},
      {"ACTIVE abc\nMIN_LENGTH 50\n", false},
      {"ACTIVE 1 # on\nMIN_LENGTH 50\n", true},
      {"ACTIVE 1\nACTIVE 0\nMIN_LENGTH 50\n", false},  // the last line wins
      {"ACTIVE -1\nMIN_LENGTH 50\n", true},
  };
  for (const auto& [rules, active] : rows) {
    WriteRules(rules);
    std::u16string message;
    EXPECT_EQ(Check(u"u", u"", u"short", message), active ? 0 : 1) << rules;
  }
}

// One rules file and password each; the expected verdict and message.
struct Verdict {
  std::string rules;
  std::u16string user, fullName, password;
  std::int32_t result;
  std::u16string message;
};

TEST_F(RuleEngineTest, RulesJudgePasswords) {
  const Verdict rows[] = {
      {"MIN_LENGTH 8\nMIN_LENGTH 6\n", u"u", u"", u"abcdefg", 1, u""},
      {"MIN_LENGTH 8\n", u"u", u"", u"abcdefg", 0, u"Password excluded by rule: Minimum password length = 8"},
      {"MIN_LENGTH 8 # eight\n", u"u", u"", u"abc", 0,
       u"Password excluded by rule: Minimum password length = 8 # eight"},
      {"MIN_INIT_ALPHA 2\n", u"u", u"", u"12abc", 1, u""},
      {"MIN_INIT_ALPHA 2\n", u"u", u"", u"!abcde", 0,
       u"Password excluded by rule: Minimum initial alphabetic characters = 2"},
      {"MIN_INIT_DIGIT 1\n", u"u", u"", u"a1", 0, u"Password excluded by rule: Minimum initial digits = 1"},
      {"ALLOW_MIXED_CASE 1\n", u"u", u"", u"abc123", 0,
       u"Password excluded by rule: Allow mixed case characters = 1"},
      {"ALLOW_MIXED_CASE 1\n", u"u", u"", u"Abc123", 1, u""},
      {"ALLOW_MIXED_CASE 2\n", u"u", u"", u"Abc123", 0,
       u"Password excluded by rule: Allow mixed case characters = 2"},
      {"MIN_SPECIAL 1\n", u"u", u"", u"abc def", 1, u""},
      {"MAX_SPECIAL 0\n", u"u", u"", u"abc-def", 0, u"Password excluded by rule: Maximum special characters = 0"},
      {"MIN_UNIQUE 3\n", u"u", u"", u"aAb", 1, u""},
      {"MIN_UNIQUE 3\n", u"u", u"", u"aaaa", 0, u"Password excluded by rule: Minimum unique characters = 3"},
      {"MAX_DIGIT 2\n", u"u", u"", u"a123", 0, u"Password excluded by rule: Maximum digits = 2"},
      {"MIN_UPPER 1\nMAX_LOWER 3\n", u"u", u"", u"Abcde", 0,
       u"Password excluded by rule: Maximum lowercase characters = 3"},
      {"MIN_ALPHA 4\n", u"u", u"", u"\u00C9t\u00E9s", 1, u""},
      {"MIN_LENGTH 99999999999\n", u"u", u"", u"long enough", 0,
       u"Password excluded by rule: Minimum password length = 99999999999"},
      // Rows run in table order: MIN_ALPHA (row 3) before MIN_LENGTH (row 16).
      {"MIN_LENGTH 10\nMIN_ALPHA 5\n", u"u", u"", u"ab1", 0,
       u"Password excluded by rule: Minimum alphabetic characters = 5"},
      {"MAX_CONSEC_USERNAME_FWD 2\n", u"jsmith", u"", u"xxJSMIxx", 0,
       u"Password excluded by rule: Maximum consecutive characters also in username = 2"},
      {"MAX_CONSEC_USERNAME_REV 2\n", u"jsmith", u"", u"IMSJ1234", 0,
       u"Password excluded by rule: Maximum consecutive characters also in reversed username = 2"},
      {"MAX_CONSEC_USERNAME_FWD 2\nMAX_CONSEC_USERNAME_REV 2\n", u"jsmith", u"", u"xjsxmix", 1, u""},
      {"MAX_CONSEC_FULLNAME_FWD 3\n", u"jsmith", u"John Smith", u"4smith!", 0,
       u"Password excluded by rule: Maximum consecutive characters also in full name = 3"},
      {"MAX_CONSEC_FULLNAME_REV 3\n", u"jsmith", u"John Smith", u"htims", 0,
       u"Password excluded by rule: Maximum consecutive characters also in reversed full name = 3"},
      {"MAX_CONSEC_OLD_PWD_FWD 0\nMAX_CONSEC_OLD_PWD_REV 0\n", u"u", u"", u"anything", 1, u""},
      {"UNKNOWN_TOKEN 1\n", u"u", u"", u"x", 1, u""},
  };
  for (const Verdict& row : rows) {
    WriteRules("ACTIVE 1\n" + row.rules);
    std::u16string message;
    EXPECT_EQ(Check(row.user, row.fullName, row.password, message), row.result) << row.rules;
    EXPECT_EQ(message, row.message) << row.rules;
  }
}

TEST_F(RuleEngineTest, OldPasswordRunsCountOnlyWhenGiven) {
  WriteRules("ACTIVE 1\nMAX_CONSEC_OLD_PWD_FWD 3\nMAX_CONSEC_OLD_PWD_REV 3\n");
  std::u16string message;
  EXPECT_EQ(Check(u"u", u"", u"xSecretx", message, u"secret1"), 0);
  EXPECT_EQ(message, u"Password excluded by rule: Maximum consecutive characters also in old password = 3");
  EXPECT_FALSE(Contains(LogMessages(), "----------------- N o t e ------------------"));
  EXPECT_EQ(Check(u"u", u"", u"xterc", message, u"secret1"), 0);
  EXPECT_EQ(message, u"Password excluded by rule: Maximum consecutive characters also in reversed password = 3");
  EXPECT_EQ(Check(u"u", u"", u"xSecretx", message), 1);
  EXPECT_TRUE(Contains(LogMessages(), "----------------- N o t e ------------------"));
}

TEST_F(RuleEngineTest, TraceLogsEveryRowUpToTheFirstFailure) {
  WriteRules("ACTIVE 1\nTRACE 1\nMIN_ALPHA 5\n");
  std::u16string message;
  ASSERT_EQ(Check(u"u", u"", u"ab", message), 0);
  const std::string path = dir_ + "/MorrowenRules.txt";
  const std::vector<std::string> expected = {
      "--- Start ---",
      "Rules: opening '" + path + "'",
      "Rules: loaded token [ACTIVE] = value [1]",
      "Rules: loaded token [TRACE] = value [1]",
      "Rules: loaded token [MIN_ALPHA] = value [5]",
      "---",
      "PasswordFilter",
      "",
      "----------------- N o t e ------------------",
      "The old password has not been supplied. This",
      "is only available when the enforcer routines",
      "are called directly from the Vantrope.",
      "--------------------------------------------",
      "",
      "Test Minimum initial alphabetic characters: Token [MIN_INIT_ALPHA], Option [min], Count [2], Value[- not found -]",
      "Test Minimum initial alphabetic characters: Token [MIN_INIT_ALPHA] not found",
      "Test Minimum initial alphabetic characters: Token [MIN_INIT_ALPHA] status = TRUE by default",
      "Test Minimum initial digits: Token [MIN_INIT_DIGIT], Option [min], Count [0], Value[- not found -]",
      "Test Minimum initial digits: Token [MIN_INIT_DIGIT] not found",
      "Test Minimum initial digits: Token [MIN_INIT_DIGIT] status = TRUE by default",
      "Test Minimum alphabetic characters: Token [MIN_ALPHA], Option [min], Count [2], Value[5]",
      "Test Minimum alphabetic characters: Status = FALSE",
      "Password Filter: rejected",
      "---- End ----",
  };
  EXPECT_EQ(LogMessages(), expected);
}

TEST_F(RuleEngineTest, AcceptedPasswordWithoutTraceLogsTheVerdict) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 3\n");
  std::u16string message;
  ASSERT_EQ(Check(u"u", u"", u"abcd", message), 1);
  const auto log = LogMessages();
  EXPECT_EQ(log.size(), 2u + 2u + 7u + 2u);  // start/open, two tokens, the note, verdict/end
  EXPECT_EQ(log[log.size() - 2], "Password Filter: accepted");
  EXPECT_FALSE(Contains(log, "PasswordFilter"));
}

TEST_F(RuleEngineTest, RulesFileQuirks) {
  std::string longValue(700, '9');
  WriteRules("\xEF\xBB\xBF" "ACTIVE 1\r\n\tMIN_LENGTH 40\r\n# MIN_LENGTH 40\r\n MIN_LENGTH 40\r\nNOTE " + longValue +
             "\r\nMIN_DIGIT\t\t2  \r\nEXCLUDE_USER J\xC3\xBCrgen\r\n");
  std::u16string message;
  EXPECT_EQ(Check(u"u", u"", u"ab1", message), 0);
  EXPECT_EQ(message, u"Password excluded by rule: Minimum digits = 2");
  const auto log = LogMessages();
  EXPECT_TRUE(Contains(log, "Rules: loaded token [] = value [MIN_LENGTH 40]"));
  EXPECT_TRUE(Contains(log, "Rules: loaded token [NOTE] = value [" + longValue + "]"));
  EXPECT_TRUE(Contains(log, "Rules: loaded token [EXCLUDE_USER] = value [J\xC3\xBCrgen]"));
  EXPECT_TRUE(EngineState().excludedUserMap.Contains(u"j\u00FCrgen"));
}

TEST_F(RuleEngineTest, LogDirSwitchesBeforeTheNextLine) {
  std::filesystem::create_directory(dir_ + "/logs");
  WriteRules("LOGDIR " + dir_ + "/logs\nACTIVE 1\n");
  std::u16string message;
  Check(u"u", u"", u"x", message);
  const std::string moved = dir_ + "/logs/MorrowenRules.log";
  const auto old = LogMessages();
  ASSERT_EQ(old.size(), 5u);
  EXPECT_EQ(old[2], "Rules: loaded token [LOGDIR] = value [" + dir_ + "/logs]");
  EXPECT_EQ(old[3], "Switching logfile to: " + moved);
  EXPECT_EQ(LogMessages(moved).at(0), "Rules: loaded token [ACTIVE] = value [1]");

  // A later file without LOGDIR keeps the chosen log.
  WriteRules("ACTIVE 0\n");
  Check(u"u", u"", u"x", message);
  EXPECT_EQ(LogMessages().size(), 5u);
  EXPECT_EQ(LogMessages(moved).back(), "---- End ----");
}

TEST_F(RuleEngineTest, RejectionIsShownOnlyToAnOwnerWindow) {
  std::vector<MessageBoxRequest> shown;
  SetMessageBoxSink([&](const MessageBoxRequest& box) {
    shown.push_back(box);
    return IDOK;
  });
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\n");
  std::u16string message;
  HWND dialog = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(EnforcePasswordRules(dialog, u"u", u"", u"D", u"short", u"old", message), 0);
  EXPECT_EQ(EnforcePasswordRules(nullptr, u"u", u"", u"D", u"short", u"old", message), 0);
  EXPECT_EQ(EnforcePasswordRules(dialog, u"u", u"", u"D", u"long enough", u"old", message), 1);
  SetMessageBoxSink(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].owner, dialog);
  EXPECT_EQ(shown[0].text, "Password excluded by rule: Minimum password length = 8");
  EXPECT_EQ(shown[0].caption, "VNK Password Enforcer");
  EXPECT_EQ(shown[0].type, MB_ICONERROR);
}

TEST_F(RuleEngineTest, ByteEntryJudgesTheSameWay) {
  WriteRules("ACTIVE 1\nMIN_ALPHA 4\nMAX_CONSEC_USERNAME_FWD 2\n");
  std::string message = "stale";
  EXPECT_EQ(EnforcePasswordRules(nullptr, "j\xC3\xBCrgen", "", "DOMAIN", "\xC3\xA9t\xC3\xA9s", "", message), 1);
  EXPECT_EQ(message, "");
  EXPECT_EQ(EnforcePasswordRules(nullptr, "j\xC3\xBCrgen", "", "DOMAIN", "1J\xC3\x9CR1", "", message), 0);
  EXPECT_EQ(message, "Password excluded by rule: Minimum alphabetic characters = 4");
  EXPECT_EQ(EnforcePasswordRules(nullptr, "j\xC3\xBCrgen", "", "DOMAIN", "xJ\xC3\x9CRGx", "", message), 0);
  EXPECT_EQ(message, "Password excluded by rule: Maximum consecutive characters also in username = 2");
}

TEST_F(RuleEngineTest, TheLockKeepsEveryCallsBlockWhole) {
  WriteRules("ACTIVE 1\nTRACE 1\nMIN_LENGTH 6\n");
  // Reference blocks: one accepted, one rejected call.
  std::u16string message;
  Check(u"u", u"", u"long enough", message);
  const auto accepted = LogMessages();
  std::filesystem::remove(dir_ + "/MorrowenRules.log");
  Check(u"u", u"", u"short", message);
  const auto rejected = LogMessages();
  std::filesystem::remove(dir_ + "/MorrowenRules.log");

  constexpr int kThreads = 8, kCalls = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kCalls; ++i) {
        std::u16string out;
        const bool good = (t + i) % 2 == 0;
        const std::int32_t result = Check(u"u", u"", good ? u"long enough" : u"short", out);
        EXPECT_EQ(result, good ? 1 : 0);
      }
    });
  }
  for (auto& thread : threads) thread.join();

  const auto log = LogMessages();
  const auto startsAt = [&](const std::vector<std::string>& block, std::size_t at) {
    return at + block.size() <= log.size() && std::equal(block.begin(), block.end(), log.begin() + at);
  };
  std::size_t at = 0, blocks = 0;
  while (at < log.size()) {
    if (startsAt(accepted, at)) {
      at += accepted.size();
    } else {
      ASSERT_TRUE(startsAt(rejected, at)) << "torn block at line " << at;
      at += rejected.size();
    }
    ++blocks;
  }
  EXPECT_EQ(blocks, static_cast<std::size_t>(kThreads * kCalls));
}

}  // namespace
