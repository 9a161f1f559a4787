#include "rules/rule_log.h"

#include <sys/stat.h>

#include <fstream>
#include <regex>

#include "rules/tests/rules_fixture.h"

namespace {

using RuleLogTest = RulesFixture;

TEST_F(RuleLogTest, LinesAreStampedAndTakeTextAsIs) {
  WriteRulesLog("--- Start ---");
  WriteRulesLog("%s", "");
  WriteRulesLog("value [%s]", "100%s %d");
  std::ifstream in(dir_ + "/MorrowenRules.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  const std::regex stamped(R"(\[\d\d-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d\d \d\d:\d\d:\d\d\] (.*))");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, stamped)) << lines[0];
  EXPECT_EQ(match[2], "--- Start ---");
  ASSERT_TRUE(std::regex_match(lines[1], match, stamped));
  EXPECT_EQ(match[2], "");
  EXPECT_EQ(lines[1].back(), ' ');
  EXPECT_EQ(LogMessages()[2], "value [100%s %d]");
}

std::vector<std::string> g_observed;
void Observe(std::string_view message) { g_observed.emplace_back(message); }

TEST_F(RuleLogTest, AnObserverSeesEveryMessageAsFormatted) {
  SetRulesLogObserver(Observe);
  WriteRulesLog("value [%s]", "100%s %d");
  WriteRulesLog("%s", "");
  SetRulesLogObserver(nullptr);
  WriteRulesLog("not observed");
  EXPECT_EQ(g_observed, (std::vector<std::string>{"value [100%s %d]", ""}));
  EXPECT_EQ(LogMessages().size(), 3u);
}

TEST_F(RuleLogTest, LongMessagesAreCutOnACharacterBoundary) {
  std::string wide;
  for (int i = 0; i < 3000; ++i) wide += "\xE2\x82\xAC";  // 9000 bytes of euro signs
  WriteRulesLog("%s", wide.c_str());
  const auto messages = LogMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].size(), 4095u);  // 1365 whole signs
  EXPECT_EQ(messages[0].substr(4092), "\xE2\x82\xAC");
}

TEST_F(RuleLogTest, LogIsPrivateAndNoLinkIsFollowed) {
  WriteRulesLog("first");
  struct stat info{};
  ASSERT_EQ(::stat((dir_ + "/MorrowenRules.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  std::filesystem::remove(dir_ + "/MorrowenRules.log");
  WriteFile("target", "");
  std::filesystem::create_symlink(dir_ + "/target", dir_ + "/MorrowenRules.log");
  WriteRulesLog("through a link");
  EXPECT_EQ(std::filesystem::file_size(dir_ + "/target"), 0u);
}

TEST_F(RuleLogTest, SwitchMovesTheLogOnceWithOrWithoutSlash) {
  std::filesystem::create_directory(dir_ + "/logs");
  const std::string target = dir_ + "/logs/MorrowenRules.log";
  for (const std::string& value : {dir_ + "/logs", dir_ + "/logs/"}) {
    SwitchRulesLog(value);
    WriteRulesLog("after");
  }
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Switching logfile to: " + target, "---"}));
  EXPECT_EQ(LogMessages(target), (std::vector<std::string>{"after", "after"}));
}

TEST_F(RuleLogTest, SwitchToAMissingFolderFallsBackToTheSystemDirectory) {
  std::filesystem::create_directory(dir_ + "/logs");
  SwitchRulesLog(dir_ + "/logs");
  SwitchRulesLog(dir_ + "/missing");
  WriteRulesLog("after");
  const std::string attempted = dir_ + "/missing/MorrowenRules.log";
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Switching logfile to: " + dir_ + "/logs/MorrowenRules.log",
                                                     "---", "Cannot switch logfile to: " + attempted,
                                                     ">> Make sure the directory exists.",
                                                     ">> Using current logfile for this session.", "---", "after"}));
  EXPECT_TRUE(EngineState().rulesLogPath.empty());
  EXPECT_TRUE(std::filesystem::is_empty(cwd_));
}

TEST_F(RuleLogTest, AFolderThatCannotHoldTheLogIsRefused) {
  WriteFile("plain-file", "");
  SwitchRulesLog(dir_ + "/plain-file");  // fails for root too
  EXPECT_EQ(LogMessages().at(0), "Cannot switch logfile to: " + dir_ + "/plain-file/MorrowenRules.log");
  EXPECT_TRUE(EngineState().rulesLogPath.empty());
}

TEST_F(RuleLogTest, MissingSystemDirectoryDropsTheLine) {
  ::setenv("VARNOK_SYSTEM_DIR", (dir_ + "/gone").c_str(), 1);
  WriteRulesLog("dropped");  // must simply not crash, nor land elsewhere
  ::setenv("VARNOK_SYSTEM_DIR", dir_.c_str(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/MorrowenRules.log"));
  EXPECT_TRUE(std::filesystem::is_empty(cwd_));
}

}  // namespace
