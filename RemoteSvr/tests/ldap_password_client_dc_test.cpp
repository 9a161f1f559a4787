// The LDAP password client against the fixture DC, by its name
// dc1.test.lan over a sealed GSSAPI connection with the Administrator's
// Kerberos ticket that dc_run.sh provides (with DC_RUN_NO_TICKET=1 only the
// NoTicket tests run). Users are made over ldaps by dc_directory.h.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "RemoteSvr/ldap_password_client.h"
#include "tests/support/dc_directory.h"
#include "tests/support/dc_test_users.h"

namespace {

bool WithoutTicket() {
  const char* flag = std::getenv("DC_RUN_NO_TICKET");
  return flag != nullptr && std::string(flag) == "1";
}

// The protected steps, to send a control the DC does not list.
class CClientSteps : public CLdapPasswordClient {
 public:
  using CLdapPasswordClient::CLdapPasswordClient;
  using CLdapPasswordClient::Connect;
  using CLdapPasswordClient::FindUserDn;
  using CLdapPasswordClient::SetUnicodePwd;
};

class LdapPasswordClientDcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WithoutTicket()) GTEST_SKIP() << "runs with a Kerberos ticket";
    ASSERT_FALSE(DcSettings().fqdn.empty()) << "not run under dc_run.sh";
  }

  std::string NewUser(const std::string& prefix, const std::string& password) { return users.New(prefix, password); }

  CDcDirectory directory;
  CDcTestUsers users{directory};
};

TEST_F(LdapPasswordClientDcTest, ControllerListsNeitherControl) {
  CLdapPasswordClient client(DcSettings().fqdn, "sAMAccountName");
  EXPECT_EQ(client.SupportsPolicyHints(), 0);
  EXPECT_EQ(client.errorText, "");
}

TEST_F(LdapPasswordClientDcTest, ResetSetsThePasswordTheUserThenLogsOnWith) {
  const std::string user = NewUser("h2reset", "Start-Passw0rd");
  // "é" is one UTF-16 code unit, as the user's own logon sends it.
  const std::string fresh = "Fr\xc3\xa9sh-Passw0rd";
  CLdapPasswordClient client(DcSettings().fqdn, "sAMAccountName");
  ASSERT_EQ(client.ResetPassword(user, fresh), 1) << client.errorText;
  EXPECT_EQ(client.errorText, "");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, fresh));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(LdapPasswordClientDcTest, UnknownUserAndFilterCharactersAreNotFound) {
  const std::string user = NewUser("h2star", "Start-Passw0rd");
  // Unescaped, "*" would match every account and "h2star*" this one.
  for (const std::string& name : {std::string("h2nobody") + std::to_string(getpid() % 100000),
                                  std::string("*"), user.substr(0, 6) + "*"}) {
    CLdapPasswordClient client(DcSettings().fqdn, "sAMAccountName");
    EXPECT_EQ(client.ResetPassword(name, "Other-Passw0rd"), 0) << name;
    EXPECT_EQ(client.errorText, "User not found.") << name;
  }
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(LdapPasswordClientDcTest, CriticalControlTheControllerLacksIsRefused) {
  const std::string user = NewUser("h2control", "Start-Passw0rd");
  for (const int index : {0, 1}) {
    CClientSteps steps(DcSettings().fqdn, "sAMAccountName");
    std::string baseDn, dn;
    int controlIndex = 7;
    PLDAP ld = steps.Connect(steps.server, baseDn, controlIndex);
    ASSERT_NE(ld, nullptr) << steps.errorText;
    EXPECT_EQ(controlIndex, -1);
    EXPECT_EQ(baseDn, DcSettings().baseDn);
    ASSERT_EQ(steps.FindUserDn(ld, baseDn, user, steps.attribute, dn), 1) << steps.errorText;
    EXPECT_EQ(dn, CDcDirectory::UserDn(user));
    EXPECT_EQ(steps.SetUnicodePwd(ld, dn, "Other-Passw0rd", index), 0);
    EXPECT_EQ(steps.errorText,
              std::string("Could not reset password via LDAP: ") + ldap_err2stringA(LDAP_UNAVAILABLE_CRIT_EXTENSION));
    ldap_unbind(ld);
  }
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST(NoTicket, BindWithoutCredentialsFails) {
  if (!WithoutTicket()) GTEST_SKIP() << "runs with DC_RUN_NO_TICKET=1";
  const std::string prefix = "Could not authenticate with LDAP server: ";
  CLdapPasswordClient check(DcSettings().fqdn, "sAMAccountName");
  EXPECT_EQ(check.SupportsPolicyHints(), 0);
  // GSSAPI finds no credentials before anything is sent: libldap's local error.
  EXPECT_EQ(check.errorText, prefix + ldap_err2stringA(LDAP_LOCAL_ERROR));
  CLdapPasswordClient reset(DcSettings().fqdn, "sAMAccountName");
  EXPECT_EQ(reset.ResetPassword(DcSettings().admin, "Other-Passw0rd"), 0);
  EXPECT_EQ(reset.errorText, check.errorText);
}

}  // namespace
