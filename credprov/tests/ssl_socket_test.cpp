// The TLS socket against the peer's OpenSSL server with certificates made at
// set-up: each certificate case (trusted for the name or the address, another
// name, expired, untrusted, revoked with and without the revocation list at
// hand, a server asking for a client certificate, a protocol below TLS 1.2),
// plain mode, a message over 16 KiB, reads into a small buffer, two records
// in one read, and the ends of a session in both directions.
#include "credprov/ssl_socket.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "credprov/security_status.h"
#include "credprov/tests/test_pki.h"
#include "credprov/tests/typed_peer.h"

namespace {

class SslSocketTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pki = new CTestPki; }
  static void TearDownTestSuite() {
    delete pki;
    pki = nullptr;
  }
  void SetUp() override { pki->Trust(false); }

  // A server context freed with the test.
  SSL_CTX* Server(const ServerTlsOptions& options = {}) {
    contexts.emplace_back(pki->NewServerContext(options), SSL_CTX_free);
    return contexts.back().get();
  }

  // Plain mode, connected to `host`, as the typed-message session does it.
  static bool ConnectPlain(CSslSocket& socket, const char* host, std::uint16_t port) {
    socket.SetTimeLimit(std::chrono::milliseconds(5000));
    socket.SetPlainMode(1);
    return socket.Create() != 0 && socket.Connect(host, port) != 0;
  }

  static CTestPki* pki;
  std::vector<std::unique_ptr<SSL_CTX, void (*)(SSL_CTX*)>> contexts;
};

CTestPki* SslSocketTest::pki = nullptr;

std::string Receive(CSocket& socket, std::size_t length) {
  std::string bytes(length, '\0');
  std::size_t at = 0;
  while (at < length) {
    const int count = socket.Recv(bytes.data() + at, static_cast<int>(length - at), 0);
    if (count <= 0) break;
    at += static_cast<std::size_t>(count);
  }
  bytes.resize(at);
  return bytes;
}

TEST_F(SslSocketTest, EachCertificateCase) {
  struct Case {
    const char* name;
    ServerTlsOptions options;
    const char* host;
    bool revocationListAtHand;
    DWORD failure;  // 0: the handshake succeeds
  };
  const Case cases[] = {
      {"trusted, for the name", {ServerCertificate::ForName}, "localhost", false, 0},
      {"trusted, for the address", {ServerCertificate::ForAddress}, "127.0.0.1", false, 0},
      {"revocation list at hand, not listed", {ServerCertificate::ForName}, "localhost", true, 0},
      {"revoked, no revocation data at hand", {ServerCertificate::Revoked}, "localhost", false, 0},
      {"revoked, listed in the list at hand", {ServerCertificate::Revoked}, "localhost", true, CRYPT_E_REVOKED},
      {"for the name, reached by address", {ServerCertificate::ForName}, "127.0.0.1", false, SEC_E_WRONG_PRINCIPAL},
      {"for the address, reached by name", {ServerCertificate::ForAddress}, "localhost", false, SEC_E_WRONG_PRINCIPAL},
      {"for another name", {ServerCertificate::OtherName}, "localhost", false, SEC_E_WRONG_PRINCIPAL},
      {"expired", {ServerCertificate::Expired}, "localhost", false, SEC_E_CERT_EXPIRED},
      {"from a CA nobody trusts", {ServerCertificate::Untrusted}, "localhost", false, SEC_E_UNTRUSTED_ROOT},
      {"asks for a client certificate", {ServerCertificate::ForName, true}, "localhost", false,
       SEC_I_INCOMPLETE_CREDENTIALS},
      {"asks for a client certificate over TLS 1.2", {ServerCertificate::ForName, true, TLS1_2_VERSION}, "localhost",
       false, SEC_I_INCOMPLETE_CREDENTIALS},
      {"TLS 1.1 at most", {ServerCertificate::ForName, false, TLS1_1_VERSION}, "localhost", false,
       SEC_E_INTERNAL_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pki->Trust(c.revocationListAtHand);
    SSL_CTX* const context = Server(c.options);
    std::string nameAsked, received;
    bool closeNotified = false;
    CTypedPeer peer([&](CTypedPeerConnection& connection) {
      if (!connection.AcceptTls(context)) return;
      nameAsked = connection.ServerNameAsked();
      connection.ReadExactly(received, 5);
      connection.Write("world");
      connection.WaitForClose();
      closeNotified = connection.SawCloseNotify();
    });
    CSslSocket socket;
    ASSERT_TRUE(ConnectPlain(socket, c.host, peer.Port()));
    const int started = socket.StartTls();
    if (c.failure == 0) {
      ASSERT_EQ(started, 1) << std::hex << socket.LastError();
      EXPECT_TRUE(socket.IsSecure());
      EXPECT_EQ(socket.Send("hello", 5, 0), 5);
      EXPECT_EQ(Receive(socket, 5), "world");
      socket.Close();
      peer.Join();
      EXPECT_EQ(received, "hello");
      EXPECT_TRUE(closeNotified);
      // SNI names a name, never an address.
      EXPECT_EQ(nameAsked, std::string(c.host) == "localhost" ? "localhost" : "");
    } else {
      EXPECT_EQ(started, 0);
      EXPECT_FALSE(socket.IsSecure());
      EXPECT_EQ(socket.LastError(), c.failure) << std::hex << socket.LastError();
      // The handshake had begun: no traffic at all from now on.
      char byte = 0;
      EXPECT_EQ(socket.Send("x", 1, 0), 0);
      EXPECT_EQ(socket.Recv(&byte, 1, 0), 0);
      socket.Close();
      peer.Join();
      EXPECT_EQ(received, "");
    }
  }
}

TEST_F(SslSocketTest, PlainModeCarriesTheBytesAsTheyAreUntilStartTls) {
  SSL_CTX* const context = Server();
  std::string plain, secret;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    connection.ReadExactly(plain, 5);
    connection.Write("plain");
    if (connection.AcceptTls(context)) connection.ReadExactly(secret, 6);
  });
  CSslSocket socket;
  ASSERT_TRUE(ConnectPlain(socket, "localhost", peer.Port()));
  EXPECT_FALSE(socket.IsSecure());
  EXPECT_EQ(socket.Send("hello", 5, 0), 5);
  EXPECT_EQ(Receive(socket, 5), "plain");
  ASSERT_EQ(socket.StartTls(), 1) << std::hex << socket.LastError();
  // Once up, TLS is not started again.
  EXPECT_EQ(socket.StartTls(), 0);
  EXPECT_EQ(socket.Send("secret", 6, 0), 6);
  peer.Join();
  EXPECT_EQ(plain, "hello");
  EXPECT_EQ(secret, "secret");
}

TEST_F(SslSocketTest, WithoutPlainModeConnectHandshakesAndStartTlsNeedsAConnection) {
  SSL_CTX* const context = Server();
  std::string received;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    if (connection.AcceptTls(context)) connection.ReadExactly(received, 2);
  });
  CSslSocket unconnected;
  EXPECT_EQ(unconnected.StartTls(), 0);

  CSslSocket socket;
  socket.SetTimeLimit(std::chrono::milliseconds(5000));
  ASSERT_EQ(socket.Create(), 1);
  ASSERT_EQ(socket.Connect("localhost", peer.Port()), 1) << std::hex << socket.LastError();
  EXPECT_TRUE(socket.IsSecure());
  EXPECT_EQ(socket.Send("ok", 2, 0), 2);
  peer.Join();
  EXPECT_EQ(received, "ok");
}

TEST_F(SslSocketTest, AMessageOver16KiBGoesAsSeveralRecordsBothWays) {
  SSL_CTX* const context = Server();
  std::string message(40000, '\0');
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 7 + 1);
  std::string received;
  std::size_t largestRecord = 0;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    if (!connection.AcceptTls(context)) return;
    connection.ReadExactly(received, message.size());
    largestRecord = connection.LargestRecordRead();
    connection.Write(received);
    connection.WaitForClose();
  });
  CSslSocket socket;
  ASSERT_TRUE(ConnectPlain(socket, "localhost", peer.Port()));
  ASSERT_EQ(socket.StartTls(), 1) << std::hex << socket.LastError();
  EXPECT_EQ(socket.Send(message.data(), static_cast<int>(message.size()), 0), 40000);
  EXPECT_EQ(Receive(socket, message.size()), message);
  socket.Close();
  peer.Join();
  EXPECT_EQ(received, message);
  EXPECT_EQ(largestRecord, 16384u);
}

TEST_F(SslSocketTest, ASmallBufferTakesTheRestOfARecordWithoutReadingTheNetwork) {
  SSL_CTX* const context = Server();
  std::string record(1000, '\0');
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<char>('a' + i % 26);
  std::string done;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    if (!connection.AcceptTls(context)) return;
    connection.Write(record);
    // Nothing more comes until the client has taken it all.
    connection.ReadExactly(done, 4);
  });
  CSslSocket socket;
  ASSERT_TRUE(ConnectPlain(socket, "localhost", peer.Port()));
  // A read of the network now would wait this long and fail.
  socket.SetTimeLimit(std::chrono::milliseconds(1000));
  ASSERT_EQ(socket.StartTls(), 1) << std::hex << socket.LastError();
  std::string taken;
  char buffer[10];
  for (int i = 0; i < 100; ++i) {
    const int count = socket.Recv(buffer, sizeof(buffer), 0);
    ASSERT_EQ(count, 10) << "read " << i;
    taken.append(buffer, 10);
  }
  EXPECT_EQ(taken, record);
  EXPECT_EQ(socket.Send("done", 4, 0), 4);
  peer.Join();
  EXPECT_EQ(done, "done");
}

TEST_F(SslSocketTest, TwoRecordsInOneReadAreBothDecryptedByOneReceive) {
  SSL_CTX* const context = Server();
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    if (!connection.AcceptTls(context)) return;
    std::string go;
    connection.ReadExactly(go, 2);
    connection.WriteRecords({"abc", "defg"});
    connection.WaitForClose();
  });
  CSslSocket socket;
  ASSERT_TRUE(ConnectPlain(socket, "localhost", peer.Port()));
  ASSERT_EQ(socket.StartTls(), 1) << std::hex << socket.LastError();
  ASSERT_EQ(socket.Send("go", 2, 0), 2);
  char buffer[100];
  const int count = socket.Recv(buffer, sizeof(buffer), 0);
  EXPECT_EQ(std::string(buffer, count > 0 ? static_cast<std::size_t>(count) : 0), "abcdefg");
  socket.Close();
}

TEST_F(SslSocketTest, ThePeerEndingTheSessionEndsTheReceive) {
  SSL_CTX* const context = Server();
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    if (!connection.AcceptTls(context)) return;
    connection.Write("last");
    connection.ShutdownTls();
  });
  CSslSocket socket;
  ASSERT_TRUE(ConnectPlain(socket, "localhost", peer.Port()));
  ASSERT_EQ(socket.StartTls(), 1) << std::hex << socket.LastError();
  EXPECT_EQ(Receive(socket, 4), "last");
  char byte = 0;
  EXPECT_EQ(socket.Recv(&byte, 1, 0), 0);
  EXPECT_EQ(socket.LastError(), SEC_I_CONTEXT_EXPIRED);
  peer.Join();
}

}  // namespace
