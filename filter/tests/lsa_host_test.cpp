// The LSA host program on the built filter library, in a child process, as a
// domain controller's check password script runs it.
#include <sys/wait.h>

#include <cstdio>

#include "rules/tests/rules_fixture.h"

namespace {

class LsaHostTest : public RulesFixture {
 protected:
  // Runs the host with the password on standard input; returns its exit status.
  int RunHost(const std::string& password, const std::string& account, const std::string& library = MORROWEN_LIBRARY,
              const char* fullName = nullptr) {
    WriteFile("input", password);
    std::string command = "SAMBA_CPS_ACCOUNT_NAME='" + account + "' ";
    if (fullName != nullptr) command += "SAMBA_CPS_FULL_NAME='" + std::string(fullName) + "' ";
    command += std::string(LSA_FILTER_HOST) + " '" + library + "' <'" + dir_ + "/input' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(LsaHostTest, ExitStatusIsTheVerdict) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nMAX_CONSEC_FULLNAME_FWD 3\n");
  EXPECT_EQ(RunHost("long enough", "jsmith"), 0);
  EXPECT_EQ(RunHost("short", "jsmith"), 1);
  EXPECT_EQ(RunHost("xx Smith xx", "jsmith", MORROWEN_LIBRARY, "John Smith"), 1);
  EXPECT_EQ(RunHost("long enough\n", "jsmith"), 0);  // the input is taken exactly
  EXPECT_EQ(RunHost("1234567\n", "jsmith"), 0);
  EXPECT_EQ(RunHost("", "jsmith"), 1);
  EXPECT_EQ(RunHost(std::string(32768, 'x'), "jsmith"), 2);
  EXPECT_EQ(RunHost("long enough", "jsmith", dir_ + "/no-such-library.so"), 2);
  EXPECT_EQ(RunHost("long enough", "jsmith", "libc.so.6"), 2);
}

TEST_F(LsaHostTest, EachRunLoadsAndUnloadsTheFilter) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\n");
  ASSERT_EQ(RunHost("short", "jsmith"), 1);
  const auto log = LogMessages();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "--- Password Filter ---");
  EXPECT_EQ(log[1], "Process attach");
  EXPECT_EQ(log[2], "--- Start ---");
  EXPECT_EQ(log[log.size() - 4], "Password Filter: rejected");
  EXPECT_EQ(log[log.size() - 2], "--- Password Filter ---");
  EXPECT_EQ(log[log.size() - 1], "Process detach");
  for (const std::string& line : log) EXPECT_EQ(line.find("short"), std::string::npos) << line;
}

}  // namespace
