// The session factory: which protocol gets a session, which encryption it is
// asked for, and every message, from registry files; connections go to a
// listener of the test's own.
#include "credprov/pwd_reset_session_factory.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "credprov/tests/test_registry.h"
#include "platform/winsock/winsock.h"
#include "tests/support/closed_port.h"
#include "tests/support/loopback_listener.h"

namespace {

const std::u16string kCouldNotConnect = u"Could not connect to any Password Reset servers:\n\n";

TEST(SessionFactory, EncryptionAskedForByProtocolAndSetting) {
  const struct {
    std::int32_t version;
    std::int32_t setting;
    std::uint8_t flags;
  } cases[] = {
      {-1, -1, ENCRYPTION_BASIC}, {1, -1, ENCRYPTION_BASIC}, {2, -1, ENCRYPTION_BASIC | ENCRYPTION_TLS},
      {1, 2, ENCRYPTION_TLS},     {2, 0, 0},                 {1, 0x103, ENCRYPTION_BASIC | ENCRYPTION_TLS},
      {-1, 0x100, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RequestedEncryption(c.version, c.setting), c.flags) << c.version << " " << c.setting;
  }
}

TEST(SessionFactory, MessagesAndConnectionsByConfiguration) {
  const ClosedPort closedPort;
  struct Case {
    const char* name;
    std::string values;      // the product key's values besides CentralServer
    bool withServer;         // CentralServer 127.0.0.1
    bool connects;           // a session comes back, connected to the listener
    std::u16string reason;   // otherwise, after "Could not connect ..."
    bool useClosedPort = false;
  };
  const Case cases[] = {
      {"defaults", "", true, true, u""},
      {"fixed record asked for", "\"ProtocolVersion\"=dword:00000001\r\n", true, true, u""},
      {"only the low byte of the encryption counts", "\"RequestEncryption\"=dword:00000101\r\n", true, true, u""},
      {"no server", "", false, false, u"No Password Reset servers have been configured."},
      {"no server, version 2", "\"ProtocolVersion\"=dword:00000002\r\n", false, false,
       u"No Password Reset servers have been configured."},
      {"no server, version 3", "\"ProtocolVersion\"=dword:00000003\r\n", false, false,
       u"No Password Reset servers have been configured."},
      {"version 3", "\"ProtocolVersion\"=dword:00000003\r\n", true, false,
       u"No suitable Password Reset servers have been configured."},
      {"version 0", "\"ProtocolVersion\"=dword:00000000\r\n", true, false,
       u"No suitable Password Reset servers have been configured."},
      // The typed-message session: no server to negotiate with.
      {"version 2, nobody listening", "\"ProtocolVersion\"=dword:00000002\r\n", true, false,
       u"There are no Varnok Password Reset servers available to service your request.", true},
      {"TLS only with the fixed record", "\"RequestEncryption\"=dword:00000002\r\n", true, false,
       u"TLS is not supported by this version of the Varnok Password Reset server."},
      {"Basic and TLS with the fixed record", "\"RequestEncryption\"=dword:00000003\r\n", true, false,
       u"TLS is not supported by this version of the Varnok Password Reset server."},
      {"no encryption with the fixed record", "\"RequestEncryption\"=dword:00000000\r\n", true, false,
       u"Basic encryption is required for this version of the Varnok Password Reset server."},
      {"nobody listening", "", true, false,
       u"There are no Varnok Password Reset servers available to service your request.", true},
  };
  CTestRegistry registry;
  for (const Case& c : cases) {
    registry.Write((c.withServer ? std::string("\"CentralServer\"=\"127.0.0.1\"\r\n") : std::string()) + c.values);
    const CPwdResetConfig config;
    LoopbackListener listener;
    CPwdResetSessionFactory factory;
    const auto session = factory.CreateSession(config, c.useClosedPort ? closedPort.Port() : listener.Port());
    EXPECT_EQ(session != nullptr, c.connects) << c.name;
    EXPECT_EQ(listener.ClientWaiting(), c.connects) << c.name;
    if (c.connects) {
      EXPECT_EQ(factory.GetMessage(), nullptr) << c.name;
    } else {
      ASSERT_NE(factory.GetMessage(), nullptr) << c.name;
      EXPECT_EQ(std::u16string(factory.GetMessage()), kCouldNotConnect + c.reason) << c.name;
    }
  }
}

TEST(SessionFactory, EachMessageReplacesTheLastOne) {
  CTestRegistry registry;
  CPwdResetSessionFactory factory;
  registry.Write("");
  const CPwdResetConfig none;
  EXPECT_EQ(factory.CreateSession(none, RESET_SERVICE_PORT), nullptr);
  registry.Write("\"CentralServer\"=\"127.0.0.1\"\r\n\"ProtocolVersion\"=dword:00000007\r\n");
  const CPwdResetConfig seven;
  EXPECT_EQ(factory.CreateSession(seven, RESET_SERVICE_PORT), nullptr);
  EXPECT_EQ(std::u16string(factory.GetMessage()),
            kCouldNotConnect + u"No suitable Password Reset servers have been configured.");
  EXPECT_EQ(RESET_SERVICE_PORT, 7257);
}

}  // namespace
