#include "rules/exclusions.h"

#include "platform/base/certificate_failure.h"
#include "platform/netapi/netapi.h"
#include "platform/netapi/netapi_backend.h"
#include "rules/rule_engine.h"
#include "rules/tests/rules_fixture.h"

namespace {

// Answers the group look-ups from tables and counts them.
class CFakeGroups : public INetApiBackend {
 public:
  DWORD UserGetGroups(const std::string& server, const std::string& user, std::vector<std::string>& groups) override {
    calls.push_back("global " + server + "/" + user);
    groups = global;
    return globalStatus;
  }
  DWORD UserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                           std::vector<std::string>& groups) override {
    calls.push_back(std::string(indirect ? "local+indirect " : "local ") + server + "/" + user);
    groups = local;
    return localStatus;
  }
  // The note a backend module would have made in its own copy.
  std::string LastCertificateFailure() override { return note; }
  std::vector<std::string> global, local, calls;
  DWORD globalStatus = 0, localStatus = 0;
  std::string note;
};

class ExclusionsTest : public RulesFixture {
 protected:
  void SetUp() override {
    RulesFixture::SetUp();
    SetNetApiBackend(&groups_);
  }
  void TearDown() override {
    SetNetApiBackend(nullptr);
    RulesFixture::TearDown();
  }
  // A password too short for the rules: accepted only when the user is exempt.
  std::int32_t Check(std::u16string_view user) {
    std::u16string message;
    return EnforcePasswordRules(nullptr, user, u"", u"", u"x", u"", message);
  }
  std::size_t Count(const std::string& line) const {
    const auto log = LogMessages();
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), line));
  }
  CFakeGroups groups_;
};

TEST_F(ExclusionsTest, UsersExemptByName) {
  struct Row {
    std::string pattern;
    std::u16string user;
    bool exempt;
  };
  const Row rows[] = {
      {"admin*", u"Administrator", true}, {"admin*", u"admin", true},     {"admin*", u"myadmin", false},
      {"*svc", u"backupSVC", true},       {"*test*", u"mytester", true},  {"a*b", u"a*b", true},
      {"a*b", u"axb", false},             {"*", u"*", true},              {"*", u"anyone", false},
      {"J\xC3\x9CRGEN", u"j\u00FCrgen", true},
  };
  for (const Row& row : rows) {
    std::filesystem::remove(dir_ + "/MorrowenRules.log");
    WriteRules("ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_USER " + row.pattern + "\n");
    EXPECT_EQ(Check(row.user), row.exempt ? 1 : 0) << row.pattern;
    const std::string user(row.user.begin(), row.user.end());
    if (row.exempt) {
      const auto log = LogMessages();
      const auto at = std::find(log.begin(), log.end(), "Password Filter: no checks performed");
      ASSERT_NE(at, log.end());
      EXPECT_EQ(*(at - 1), "") << "the line of the still empty message";
      EXPECT_NE((at - 2)->find(" is in the exclusion list"), std::string::npos);
    }
  }
  EXPECT_TRUE(groups_.calls.empty()) << "no group look-up without EXCLUDE_GROUP";
}

TEST_F(ExclusionsTest, ExclusionLogNamesTheUserAsPassed) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_USER admin*\n");
  ASSERT_EQ(Check(u"AdminIstrator"), 1);
  EXPECT_EQ(Count("User AdminIstrator is in the exclusion list"), 1u);
}

TEST_F(ExclusionsTest, MemberOfAnExcludedGroupInBothLists) {
  WriteRules("ACTIVE 1\nTRACE 1\nMIN_LENGTH 8\nEXCLUDE_GROUP *admins\n");
  groups_.global = {"Domain Users", "Domain Admins", "Schema Admins"};
  groups_.local = {"Administrators", "Server Admins"};
  ASSERT_EQ(Check(u"jsmith"), 1);
  EXPECT_EQ(groups_.calls, (std::vector<std::string>{"global /jsmith", "local+indirect /jsmith"}));
  EXPECT_EQ(Count("User jsmith is in group Domain Admins, which is in the exclusion list"), 1u);
  EXPECT_EQ(Count("User jsmith is in group Server Admins, which is in the exclusion list"), 1u);
  EXPECT_EQ(Count("User jsmith: in global group Domain Users"), 1u);
  EXPECT_EQ(Count("User jsmith: in global group Schema Admins"), 0u) << "the list stops at the first hit";
  EXPECT_EQ(Count("User jsmith: in local group Administrators"), 1u);
  EXPECT_EQ(Count("Password Filter: no checks performed"), 1u);
}

TEST_F(ExclusionsTest, GroupLinesOnlyWithTraceAndLookupsThatFail) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_GROUP exempt\n");
  groups_.global = {"Domain Users"};
  groups_.local = {"Exempt"};
  ASSERT_EQ(Check(u"jsmith"), 1);
  EXPECT_EQ(Count("User jsmith: in global group Domain Users"), 0u);

  // A failing look-up contributes no groups and is not logged.
  groups_.localStatus = 2221;
  groups_.globalStatus = 5;
  groups_.global = {"Exempt"};
  const std::size_t before = LogMessages().size();
  EXPECT_EQ(Check(u"jsmith"), 0);
  EXPECT_EQ(groups_.calls.size(), 4u);
  const auto log = LogMessages();
  for (std::size_t i = before; i < log.size(); ++i) EXPECT_EQ(log[i].find("User jsmith"), std::string::npos) << log[i];
}

TEST_F(ExclusionsTest, ALookUpRefusedForTheControllersCertificateIsToldOnceACheck) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_GROUP exempt\n");
  groups_.note = "The certificate of dc1.corp.example could not be verified: hostname mismatch.";
  const std::string line =
      "User jsmith: groups not read: The certificate's CN name does not match the passed value. " + groups_.note;
  const struct {
    DWORD global, local;
    std::size_t lines;
  } rows[] = {
      {CERT_E_CN_NO_MATCH, CERT_E_CN_NO_MATCH, 1},
      {0, CERT_E_CN_NO_MATCH, 1},
      {CERT_E_CN_NO_MATCH, 0, 1},
      // Other failures stay silent, as before.
      {53, 2221, 0},
  };
  for (const auto& row : rows) {
    std::filesystem::remove(dir_ + "/MorrowenRules.log");
    // What this thread noted before is not what the backend noted now.
    SetCertificateFailure("The certificate of elsewhere could not be verified: stale.");
    groups_.globalStatus = row.global;
    groups_.localStatus = row.local;
    EXPECT_EQ(Check(u"jsmith"), 0) << "no groups: the rules judge";
    EXPECT_EQ(Count(line), row.lines) << std::hex << row.global << " " << row.local;
    const auto log = LogMessages();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& text) { return text.find("groups not read") != std::string::npos; }),
              static_cast<long>(row.lines));
  }
}

TEST_F(ExclusionsTest, GroupLookupFramesTheBackendsAnswer) {
  groups_.global = {"Domain Users", "Gr\xC3\xBCn"};
  LPBYTE buffer = nullptr;
  DWORD read = 9, total = 9;
  ASSERT_EQ(NetUserGetGroups(u"dc1", u"jsmith", 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total), NERR_Success);
  ASSERT_EQ(read, 2u);
  EXPECT_EQ(total, 2u);
  const auto* records = reinterpret_cast<const GROUP_USERS_INFO_0*>(buffer);
  EXPECT_EQ(std::u16string(records[0].grui0_name), u"Domain Users");
  EXPECT_EQ(std::u16string(records[1].grui0_name), u"Gr\u00FCn");
  EXPECT_EQ(groups_.calls.back(), "global dc1/jsmith");
  NetApiBufferFree(buffer);

  EXPECT_EQ(NetUserGetGroups(nullptr, u"jsmith", 1, &buffer, MAX_PREFERRED_LENGTH, &read, &total), ERROR_INVALID_LEVEL);
  EXPECT_EQ(buffer, nullptr);
  groups_.globalStatus = NERR_UserNotFound;
  EXPECT_EQ(NetUserGetGroups(nullptr, u"nobody", 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total), NERR_UserNotFound);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(NetApiBufferFree(nullptr), NERR_Success);
}

}  // namespace
