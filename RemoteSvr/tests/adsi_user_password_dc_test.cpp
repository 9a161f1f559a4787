// Pellucor's ADSI password reset on Active Directories that do and do not
// take userPassword as the password: the fixture DC's dSHeuristics set for
// each case and put back afterwards. Where userPassword is a plain
// attribute the reset is refused and says why, the old password still
// works, and no one can read the new one off the account. Run alone
// (RUN_SERIAL): every other DC test relies on the fixture's dSHeuristics.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/dc_service_fixture.h"

namespace {

std::string DirectoryServiceDn() {
  return "CN=Directory Service,CN=Windows NT,CN=Services,CN=Configuration," + DcSettings().baseDn;
}

// The DC's dSHeuristics as a case wants them (empty: none) while the object
// lives, then as they were.
class CDsHeuristics {
 public:
  CDsHeuristics(CDcDirectory& dc, const std::string& value) : directory(dc) {
    std::vector<std::string> values;
    read = directory.ReadValues(DirectoryServiceDn(), "dSHeuristics", values);
    if (!values.empty()) saved = values.front();
    set = read && directory.Replace(DirectoryServiceDn(), "dSHeuristics", value);
  }
  ~CDsHeuristics() {
    if (!read) return;
    EXPECT_TRUE(directory.Replace(DirectoryServiceDn(), "dSHeuristics", saved)) << directory.lastError;
  }
  CDsHeuristics(const CDsHeuristics&) = delete;
  CDsHeuristics& operator=(const CDsHeuristics&) = delete;

  bool Set() const { return set; }

 private:
  CDcDirectory& directory;
  std::string saved;
  bool read = false;
  bool set = false;
};

using AdsiUserPasswordDcTest = CDcServiceTest;

TEST_F(AdsiUserPasswordDcTest, AResetChangesThePasswordOnlyWhereUserPasswordIsThePassword) {
  const CDcSettings& dc = DcSettings();
  const struct {
    std::string heuristics;
    bool changes;
  } cases[] = {
      {"", false},           // a stock DC: userPassword is a plain attribute
      {"000000000", false},  // userPassword support spelt out as off
      {"0000000", false},    // too short to say anything about it
      {"000000001", true},   // userPassword is the password
  };
  std::vector<std::string> users;
  std::string questions;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    users.push_back(NewUser("adsiupw" + std::to_string(i), "Start-Passw0rd"));
    questions += dc.domain + "\\" + users.back() + "\tFavourite colour?\t" + kAnswer + "\n";
  }
  files.WriteQuestionFile(questions + "LDAP_DIRECTORY " + dc.domain + " \"LDAP://" + dc.fqdn + "/CN=Users," +
                          dc.baseDn + "\" sAMAccountName\n");
  ASSERT_NO_FATAL_FAILURE(StartService());

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("dSHeuristics \"" + cases[i].heuristics + "\"");
    const std::string& user = users[i];
    CDsHeuristics heuristics(directory, cases[i].heuristics);
    ASSERT_TRUE(heuristics.Set()) << directory.lastError;

    const PwdResetRecord reply = LookUpAndSetPassword(dc.domain, user, "Fresh-Passw0rd");
    EXPECT_EQ(ReplySucceeded(reply), cases[i].changes) << ReplyText(reply);
    if (cases[i].changes) {
      EXPECT_EQ(ReplyText(reply), "Password changed");
    } else {
      EXPECT_NE(ReplyText(reply).find("userPassword is not the password on this Active Directory"), std::string::npos)
          << ReplyText(reply);
    }
    EXPECT_EQ(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"), cases[i].changes);
    EXPECT_EQ(CDcDirectory::CanLogOn(user, "Start-Passw0rd"), !cases[i].changes);
    std::vector<std::string> stored;
    ASSERT_TRUE(directory.ReadValues(CDcDirectory::UserDn(user), "userPassword", stored)) << directory.lastError;
    EXPECT_TRUE(stored.empty()) << "the new password is readable on the account";
  }
}

}  // namespace
