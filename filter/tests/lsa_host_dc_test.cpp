// The LSA host on the built filter against the fixture DC, as a domain
// member's check runs it: an EXCLUDE_GROUP look-up through the backend
// module beside the filter. A controller whose certificate does not verify
// is named in the rule log with the reason; one that cannot be reached
// leaves the log silent, as any failed look-up does.
#include <sys/wait.h>

#include <algorithm>
#include <optional>

#include "rules/tests/rules_fixture.h"
#include "tests/support/dc_directory.h"
#include "tests/support/file_bytes.h"
#include "tests/support/foreign_trust.h"

namespace {

class LsaHostDcTest : public RulesFixture {
 protected:
  // The host's exit status for `password` of `account`, with the Platform
  // key of `registry` (the DC's own file when empty).
  int RunHost(const std::string& password, const std::string& account, const std::string& registry) {
    WriteFile("input", password);
    std::string command = "LSAN_OPTIONS=suppressions='" SAMBA_LSAN_SUPPRESSIONS "' SAMBA_CPS_ACCOUNT_NAME='" +
                          account + "' ";
    if (!registry.empty()) command += "VARNOK_REGISTRY='" + registry + "' ";
    command += std::string(LSA_FILTER_HOST) + " '" MORROWEN_LIBRARY "' <'" + dir_ + "/input' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The DC's Platform key with another controller in it.
  std::string RegistryWithController(const std::string& controller) {
    std::string content = ReadFileBytes(DcSettings().registry);
    const std::string key = "\"LocalDomainController\"=\"" + DcSettings().address + "\"";
    const std::size_t at = content.find(key);
    if (at != std::string::npos) content.replace(at, key.size(), "\"LocalDomainController\"=\"" + controller + "\"");
    WriteFile("registry.reg", content);
    return dir_ + "/registry.reg";
  }
};

TEST_F(LsaHostDcTest, AGroupLookUpRefusedForTheCertificateIsNamedInTheRuleLog) {
  const CDcSettings& dc = DcSettings();
  ASSERT_FALSE(dc.address.empty()) << "run through dc_run.sh (the fixture DC's environment)";
  // The DC's administrator is in the builtin local group Administrators,
  // which only the local-group look-up (over ldaps) finds.
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_GROUP Administrators\n");
  const std::string untrusted =
      "A certificate chain processed, but terminated in a root certificate which is not trusted by the trust "
      "provider. The certificate of " + dc.address + " could not be verified: unable to get local issuer certificate.";
  const struct {
    const char* what;
    bool otherCa;
    std::string controller;  // empty: the DC's
    int verdict;             // 0 exempt, 1 refused by the rules
    std::string line;        // the look-up's line; empty: none
  } cases[] = {
      {"the DC's CA", false, "", 0, ""},
      {"another CA", true, "", 1, "User " + dc.admin + ": groups not read: " + untrusted},
      {"nobody at the controller's address", true, "127.0.0.2", 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_ + "/MorrowenRules.log");
    int verdict = -1;
    {
      std::optional<CForeignTrust> trust;
      if (c.otherCa) trust.emplace(dir_);
      verdict = RunHost("short", dc.admin, c.controller.empty() ? "" : RegistryWithController(c.controller));
    }
    EXPECT_EQ(verdict, c.verdict);
    const auto log = LogMessages();
    const auto looked = std::count_if(log.begin(), log.end(), [](const std::string& line) {
      return line.find("groups not read") != std::string::npos;
    });
    if (c.line.empty()) {
      EXPECT_EQ(looked, 0);
    } else {
      EXPECT_EQ(looked, 1) << "one line for the check";
      EXPECT_TRUE(Contains(log, c.line)) << c.line;
    }
    for (const std::string& line : log) {
      EXPECT_EQ(line.find("short"), std::string::npos) << line;
      EXPECT_EQ(line.find(dc.adminPassword), std::string::npos) << line;
    }
  }
}

}  // namespace
