// A throwaway system directory, where the rules file, the dictionary and the
// default rule log lie, and a throwaway working directory apart from it, in
// which nothing should appear.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rules/rule_state.h"

class RulesFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rules_test.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    char working[] = "/tmp/rules_cwd.XXXXXX";
    ASSERT_NE(::mkdtemp(working), nullptr);
    cwd_ = working;
    oldCwd_ = std::filesystem::current_path();
    std::filesystem::current_path(cwd_);
    ::setenv("VARNOK_SYSTEM_DIR", dir_.c_str(), 1);
    EngineState().rulesLogPath.clear();
  }

  void TearDown() override {
    std::filesystem::current_path(oldCwd_);
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir_, ignored);
    std::filesystem::remove_all(cwd_, ignored);
  }

  void WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
  }
  void WriteRules(const std::string& content) { WriteFile("MorrowenRules.txt", content); }

  // The message texts of a rule log, the "[time] " prefix removed.
  static std::vector<std::string> LogMessages(const std::string& path) {
    std::vector<std::string> messages;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
      const std::size_t close = line.find("] ");
      messages.push_back(close == std::string::npos ? "<unstamped> " + line : line.substr(close + 2));
    }
    return messages;
  }
  std::vector<std::string> LogMessages() const { return LogMessages(dir_ + "/MorrowenRules.log"); }

  static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  std::string dir_;
  std::string cwd_;
  std::filesystem::path oldCwd_;
};
