// The ldaps session against a real TLS peer on loopback whose certificate
// verifies or does not: the connect fails, the session answers the trust
// family's status for OpenSSL's reason, and the reason is noted on the
// thread with the name the server was asked by.
#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "credprov/tests/test_pki.h"
#include "platform/base/certificate_failure.h"
#include "platform/ldap/ldap_session.h"
#include "tests/support/closed_port.h"
#include "tests/support/loopback_listener.h"

namespace {

// Takes TLS connections one after the other with one certificate until it
// goes; sends nothing.
class CTlsPeer {
 public:
  CTlsPeer(const CTestPki& pki, ServerCertificate certificate)
      : m_context(pki.NewServerContext(ServerTlsOptions{certificate})), m_thread([this] { Serve(); }) {}
  ~CTlsPeer() {
    m_stop = true;
    m_thread.join();
    SSL_CTX_free(m_context);
  }
  CTlsPeer(const CTlsPeer&) = delete;
  CTlsPeer& operator=(const CTlsPeer&) = delete;

  int Port() const { return m_listener.Port(); }

 private:
  void Serve() {
    while (!m_stop) {
      const SOCKET s = m_listener.Accept(200);
      if (s == INVALID_SOCKET) continue;
      SSL* ssl = SSL_new(m_context);
      SSL_set_fd(ssl, static_cast<int>(s));
      if (SSL_accept(ssl) == 1) {
        char byte;
        // Until the client goes.
        while (SSL_read(ssl, &byte, 1) > 0) {
        }
      }
      SSL_free(ssl);
      closesocket(s);
    }
  }

  LoopbackListener m_listener;
  SSL_CTX* m_context;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// libldap's trust for the sessions opened while the object lives.
class CLdapTrust {
 public:
  explicit CLdapTrust(const std::string& file) { ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, file.c_str()); }
  ~CLdapTrust() { ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, nullptr); }
  CLdapTrust(const CLdapTrust&) = delete;
  CLdapTrust& operator=(const CLdapTrust&) = delete;
};

TEST(LdapCertificate, AConnectThatFailsOnTheCertificateAnswersItsStatusAndNotesTheReason) {
  // The peer's handshake writes to clients that gave up on it.
  std::signal(SIGPIPE, SIG_IGN);
  CTestPki pki;
  const std::string caFile = std::getenv("SSL_CERT_FILE");
  const std::string emptyFile = caFile + ".empty";
  std::fclose(std::fopen(emptyFile.c_str(), "w"));
  const struct {
    ServerCertificate certificate;
    std::string host;
    std::string trusted;
    DWORD status;
    std::string reason;
  } cases[] = {
      // (libldap checks a certificate for "localhost" against the machine's
      // own name, so the one that verifies is asked by its address.)
      {ServerCertificate::ForAddress, "127.0.0.1", caFile, 0, ""},
      // Its chain ends in a CA of its own.
      {ServerCertificate::Untrusted, "localhost", caFile, CERT_E_UNTRUSTEDROOT,
       "self-signed certificate in certificate chain"},
      {ServerCertificate::Expired, "localhost", caFile, CERT_E_EXPIRED, "certificate has expired"},
      {ServerCertificate::OtherName, "localhost", caFile, CERT_E_CN_NO_MATCH, "hostname mismatch"},
      {ServerCertificate::ForName, "127.0.0.1", caFile, CERT_E_CN_NO_MATCH, "IP address mismatch"},
      {ServerCertificate::ForName, "localhost", emptyFile, CERT_E_UNTRUSTEDROOT,
       "no trusted CA could be read from " + emptyFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host + " " + std::to_string(static_cast<int>(c.certificate)) + " " + c.trusted);
    CTlsPeer peer(pki, c.certificate);
    CLdapTrust trust(c.trusted);
    SetCertificateFailure("");
    CLdapSession session;
    ASSERT_EQ(session.Open(c.host, peer.Port(), true), LDAP_SUCCESS);
    const int rc = session.Connect();
    EXPECT_EQ(session.CertificateStatus(), c.status);
    if (c.status == 0) {
      EXPECT_EQ(rc, LDAP_SUCCESS);
      EXPECT_EQ(CertificateFailure(), "");
      continue;
    }
    EXPECT_NE(rc, LDAP_SUCCESS);
    EXPECT_EQ(session.Diagnostic(), "TLS certificate verification failed: " + c.reason);
    EXPECT_EQ(CertificateFailure(), "The certificate of " + c.host + " could not be verified: " + c.reason + ".");
    // Every later call answers the same failure.
    EXPECT_EQ(session.BindSimple("someone", "secret"), rc);
    EXPECT_EQ(session.CertificateStatus(), c.status);
  }
  std::remove(emptyFile.c_str());
  SetCertificateFailure("");
}

// Nothing listens: not the certificate's doing, and nothing is noted.
TEST(LdapCertificate, AServerThatCannotBeReachedIsNoCertificateFailure) {
  SetCertificateFailure("");
  const ClosedPort closed;
  CLdapSession session;
  ASSERT_EQ(session.Open("127.0.0.1", closed.Port(), true), LDAP_SUCCESS);
  EXPECT_EQ(session.Connect(), LDAP_SERVER_DOWN);
  EXPECT_EQ(session.CertificateStatus(), 0u);
  EXPECT_EQ(CertificateFailure(), "");
}

}  // namespace
