// A domain with an LDAP_DIRECTORY line, through Pellucor against the
// fixture DC: set-password and unlock requests go through ADSI to the
// directory's container, with the service's Kerberos ticket or with the
// line's own account over ldaps; a name on two objects changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/dc_service_fixture.h"

namespace {

class AdsiDcServiceTest : public CDcServiceTest {
 protected:
  static std::string Container(const std::string& scheme) {
    return scheme + DcSettings().fqdn + "/CN=Users," + DcSettings().baseDn;
  }

  // Sets a password and unlocks after a lock-out, both through the service.
  void SetPasswordAndUnlock(const std::string& user) {
    const std::string domain = DcSettings().domain;
    PwdResetRecord reply = LookUpAndSetPassword(domain, user, "Fresh-Passw0rd");
    EXPECT_EQ(ReplyText(reply), "Password changed");
    EXPECT_TRUE(ReplySucceeded(reply));
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
    EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));

    CDcDirectory::FailLogOns(user);
    ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
    reply = LookUpAndUnlock(domain, user);
    EXPECT_EQ(ReplyText(reply), "Account unlocked");
    EXPECT_TRUE(ReplySucceeded(reply));
    EXPECT_EQ(directory.ReadAccount(user).lockoutTime, 0);
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  }
};

TEST_F(AdsiDcServiceTest, DirectoryWithTheServicesOwnCredentials) {
  const std::string user = NewUser("adsisvc", "Start-Passw0rd");
  WriteQuestions(DcSettings().domain, {user},
                 "LDAP_DIRECTORY " + DcSettings().domain + " \"" + Container("LDAP://") + "\" sAMAccountName\n");
  ASSERT_NO_FATAL_FAILURE(StartService());
  SetPasswordAndUnlock(user);
}

TEST_F(AdsiDcServiceTest, DirectoryWithItsOwnAccountOverLdaps) {
  const CDcSettings& dc = DcSettings();
  const std::string user = NewUser("adsiown", "Start-Passw0rd");
  WriteQuestions(dc.domain, {user},
                 "LDAP_DIRECTORY " + dc.domain + " \"" + Container("LDAPS://") + "\" sAMAccountName " + dc.admin +
                     "@" + dc.dnsDomain + " \"" + dc.adminPassword + "\"\n");
  ASSERT_NO_FATAL_FAILURE(StartService());
  SetPasswordAndUnlock(user);
  const std::string log = files.LogText();
  EXPECT_NE(log.find("    Uses SSL ....: Yes"), std::string::npos) << log;
  EXPECT_EQ(log.find(dc.adminPassword), std::string::npos) << "the directory's password in the log";
  EXPECT_EQ(log.find("Fresh-Passw0rd"), std::string::npos) << "the new password in the log";
}

TEST_F(AdsiDcServiceTest, ANameOnTwoObjectsChangesNeither) {
  const CDcSettings& dc = DcSettings();
  const std::string first = NewUser("adsiduoa", "Start-Passw0rd");
  const std::string second = NewUser("adsiduob", "Start-Passw0rd");
  // The directory names users by description, and both carry the first's name.
  ASSERT_TRUE(directory.SetAttribute(first, "description", first)) << directory.lastError;
  ASSERT_TRUE(directory.SetAttribute(second, "description", first)) << directory.lastError;
  WriteQuestions(dc.domain, {first}, "LDAP_DIRECTORY " + dc.domain + " " + Container("LDAP://") + " description\n");
  ASSERT_NO_FATAL_FAILURE(StartService());

  PwdResetRecord reply = LookUpAndSetPassword(dc.domain, first, "Fresh-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply), "Could not uniquely identify the supplied username.");
  reply = LookUpAndUnlock(dc.domain, first);
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply), "Could not uniquely identify the supplied username.");
  EXPECT_TRUE(CDcDirectory::CanLogOn(first, "Start-Passw0rd"));
  EXPECT_TRUE(CDcDirectory::CanLogOn(second, "Start-Passw0rd"));
}

}  // namespace
