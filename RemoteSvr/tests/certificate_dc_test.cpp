// What Pellucor says when the controller's certificate does not verify, on
// each path that reaches the fixture DC over ldaps (the network-user reset
// in two stages and in one, an LDAP_DIRECTORY line's ADSI search), beside a
// controller that cannot be reached at all: the reply, and the trace line
// of its error in the service's log, name the certificate and OpenSSL's
// reason, or keep the text of a missing controller.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/dc_service_fixture.h"
#include "tests/support/foreign_trust.h"

namespace {

// The system texts of the statuses these replies begin with.
constexpr char kUntrustedRoot[] =
    "A certificate chain processed, but terminated in a root certificate which is not trusted by the trust provider.";
constexpr char kNameMismatch[] = "The certificate's CN name does not match the passed value.";
constexpr char kOldPasswordWorks[] = " The password was not changed; the old one still works.";
// Nothing listens there.
constexpr char kNobody[] = "127.0.0.2";

class CertificateDcTest : public CDcServiceTest {
 protected:
  static std::string Directory(const std::string& host) {
    const CDcSettings& dc = DcSettings();
    return "LDAP_DIRECTORY " + dc.domain + " \"LDAPS://" + host + "/CN=Users," + dc.baseDn + "\" sAMAccountName " +
           dc.admin + "@" + dc.dnsDomain + " \"" + dc.adminPassword + "\"\n";
  }
  static std::string Controller(const std::string& host) {
    return "DOMAIN_CONTROLLER " + DcSettings().domain + " " + host + "\n";
  }
  static std::string CertificateOf(const std::string& host, const std::string& reason) {
    return " The certificate of " + host + " could not be verified: " + reason + ".";
  }
};

TEST_F(CertificateDcTest, EachPathNamesTheCertificateAndItsReasonOrTheMissingController) {
  const CDcSettings& dc = DcSettings();
  const std::string untrusted = "unable to get local issuer certificate";
  const std::string oneStage = "\"TwoStageReset\"=dword:00000000\r\n";
  const std::string emptyFile = files.Folder() + "/empty-ca.pem";  // what CForeignTrust makes
  enum class Trust { kDcCa, kOtherCa, kEmptyFile };
  const struct {
    const char* what;
    std::string productValues;
    std::string settings;  // question-file lines
    Trust trust;
    bool changed;          // the reset itself goes through
    std::string reply;     // exactly; with `prefixOnly` its beginning
    bool prefixOnly = false;
  } cases[] = {
      {"network user, two stages, another CA", "", "", Trust::kOtherCa, false,
       kUntrustedRoot + CertificateOf(dc.address, untrusted) + kOldPasswordWorks},
      {"network user, two stages, no CA at all", "", "", Trust::kEmptyFile, false,
       kUntrustedRoot + CertificateOf(dc.address, "no trusted CA could be read from " + emptyFile) + kOldPasswordWorks},
      {"network user, two stages, the controller by another name", "", Controller("localhost"), Trust::kDcCa, false,
       kNameMismatch + CertificateOf("localhost", "hostname mismatch") + kOldPasswordWorks},
      // libnetapi's set needs no certificate; the account's state over
      // LDAP does.
      {"network user, one stage, another CA", oneStage, "", Trust::kOtherCa, true,
       "Password changed, but clearing a lock-out failed: " + std::string(kUntrustedRoot) +
           CertificateOf(dc.address, untrusted)},
      {"network user, two stages, nobody at the controller's address", "", Controller(kNobody), Trust::kOtherCa, false,
       std::string("The network path was not found.") + kOldPasswordWorks},
      {"LDAP_DIRECTORY over ldaps, another CA", "", Directory(dc.fqdn), Trust::kOtherCa, false,
       kUntrustedRoot + CertificateOf(dc.fqdn, untrusted) + " (LDAP Provider : TLS certificate verification failed: " +
           untrusted + ")"},
      {"LDAP_DIRECTORY over ldaps, nobody at the address", "", Directory(kNobody), Trust::kOtherCa, false,
       "The server is not operational.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string user = NewUser("nucert", "Start-Passw0rd");
    WriteRegistry(c.productValues);
    WriteQuestions(dc.domain, {user}, c.settings);
    {
      std::optional<CForeignTrust> trust;
      if (c.trust != Trust::kDcCa)
        trust.emplace(files.Folder(), c.trust == Trust::kEmptyFile ? CForeignTrust::Kind::kEmptyFile
                                                                    : CForeignTrust::Kind::kOtherCa);
      ASSERT_TRUE(!trust.has_value() || trust->made);
      ASSERT_NO_FATAL_FAILURE(StartService());
    }
    const PwdResetRecord reply = LookUpAndSetPassword(dc.domain, user, "Fresh-Passw0rd");
    const std::string text = ReplyText(reply);
    if (c.prefixOnly) {
      EXPECT_EQ(text.rfind(c.reply, 0), 0u) << text;
      EXPECT_EQ(text.find("certificate"), std::string::npos) << text;
    } else {
      EXPECT_EQ(text, c.reply);
    }
    EXPECT_EQ(ReplySucceeded(reply), c.changed) << text;
    EXPECT_EQ(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"), c.changed);
    // The -debug trace in the service's log carries the same text.
    const std::string log = files.LogText();
    EXPECT_NE(log.find("    Error .....: " + text), std::string::npos) << log;
    EXPECT_EQ(log.find(dc.adminPassword), std::string::npos) << "the directory's password in the log";
    EXPECT_EQ(log.find("Fresh-Passw0rd"), std::string::npos) << "the new password in the log";
    service->Stop();
    service.reset();
  }
}

}  // namespace
