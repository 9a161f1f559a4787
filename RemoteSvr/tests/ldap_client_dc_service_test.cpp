// A domain with a DOMAIN_CONTROLLER line, through Pellucor against the
// fixture DC. Start-up asks the named controller over LDAP whether it takes
// the password-policy-hints control; the fixture DC lists neither, so the
// domain is not enforceable and a set-password request takes the
// network-user path to that same controller.
#include <gtest/gtest.h>

#include <string>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/dc_service_fixture.h"

namespace {

class LdapClientDcServiceTest : public CDcServiceTest {};

TEST_F(LdapClientDcServiceTest, ControllerLineIsAskedAtStartUpAndResetGoesToThatController) {
  const CDcSettings& dc = DcSettings();
  const std::string user = NewUser("h2line", "Start-Passw0rd");
  WriteQuestions(dc.domain, {user}, "DOMAIN_CONTROLLER " + dc.domain + " " + dc.fqdn + "\n");
  ASSERT_NO_FATAL_FAILURE(StartService());

  const std::string log = files.LogText();
  const std::size_t block = log.find("Defined domain controller");
  ASSERT_NE(block, std::string::npos) << log;
  EXPECT_NE(log.find("    DC name ...........: " + dc.fqdn, block), std::string::npos) << log;
  EXPECT_NE(log.find("    Password policy ...: Not enforceable / unknown", block), std::string::npos) << log;
  EXPECT_EQ(log.find("not supported yet"), std::string::npos) << log;

  const PwdResetRecord reply = LookUpAndSetPassword(dc.domain, user, "Fresh-Passw0rd");
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(ReplyText(reply), "Password changed");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(LdapClientDcServiceTest, ResetGoesToTheNamedControllerNotTheLocalOne) {
  // The local controller (the Platform key) could set the password; the
  // line names a controller that does not exist, so the reset must fail.
  const CDcSettings& dc = DcSettings();
  const std::string user = NewUser("h2nowhere", "Start-Passw0rd");
  WriteQuestions(dc.domain, {user}, "DOMAIN_CONTROLLER " + dc.domain + " nowhere." + dc.dnsDomain + "\n");
  ASSERT_NO_FATAL_FAILURE(StartService());

  const PwdResetRecord reply = LookUpAndSetPassword(dc.domain, user, "Fresh-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(ReplyText(reply), "Password changed");
  EXPECT_NE(ReplyText(reply), "");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

}  // namespace
