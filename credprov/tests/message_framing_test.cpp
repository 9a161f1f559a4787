// The typed messages on the wire against the peer's own framing: golden
// bytes (the message key, a 9-byte body under Basic security, a bare header
// for a request without a body, the session request), the IV in every
// reply, the sequence number shared by both directions and wrapping at
// 65536, and a send that has no random bytes.
#include "credprov/message_framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "credprov/message_key.h"
#include "credprov/tests/typed_peer.h"
#include "credprov/typed_request.h"
#include "platform/cryptoapi/wincrypt.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::string Text(const CSecretBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

// A client socket connected to `peer`, and the framing over it.
struct CClientEnd {
  explicit CClientEnd(const CTypedPeer& peer) {
    EXPECT_NE(socket.Create(SOCK_STREAM), 0);
    EXPECT_NE(socket.Connect("127.0.0.1", peer.Port()), 0);
    framing.SetTimeLimit(std::chrono::milliseconds(5000));
  }
  CSocket socket;
  CMessageFraming framing{socket};
};

const std::string kSessionKey = "session-key";

TEST(MessageKey, SequenceNumberLengthAndSessionKeyLittleEndian) {
  const unsigned char key[] = {'k', '1'};
  const CMessageKey messageKey(0x0102, 44, key, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(messageKey.Data()), messageKey.Length()),
            Bytes({0x02, 0x01, 0x2C, 0x00, 0x00, 0x00, 'k', '1'}));
  unsigned char longest[50];
  for (int i = 0; i < 50; ++i) longest[i] = static_cast<unsigned char>(i);
  const CMessageKey fullKey(0xFFFF, 0x01020304, longest, 50);
  ASSERT_EQ(fullKey.Length(), 56);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(fullKey.Data()), 6), Bytes({0xFF, 0xFF, 4, 3, 2, 1}));
  EXPECT_EQ(fullKey.Data()[55], 49);
}

TEST(MessageFraming, GoldenBytesUnderBasicSecurity) {
  std::vector<PeerMessage> seen;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    connection.StartBasic(kSessionKey);
    PeerMessage message;
    while (connection.Receive(message)) seen.push_back(message);
  });
  {
    CClientEnd client(peer);
    ASSERT_TRUE(client.framing.StartBasicSecurity(reinterpret_cast<const unsigned char*>(kSessionKey.data()),
                                                  static_cast<std::uint32_t>(kSessionKey.size())));
    // A password of four letters: a body of 9 bytes.
    CModernPwdResetSession::RequestResetPassword reset(u"abcd");
    ASSERT_EQ(reset.GetLength(), 9u);
    ASSERT_TRUE(client.framing.Send(reset.GetType(), reset.GetBody(), reset.GetLength()));
    CModernPwdResetSession::RequestNextQuestion next;
    ASSERT_TRUE(client.framing.Send(next.GetType(), next.GetBody(), next.GetLength()));
    // The bare header used no sequence number.
    EXPECT_EQ(client.framing.SequenceNumber(), 1);
    CModernPwdResetSession::RequestUnlockAccount unlock;
    ASSERT_TRUE(client.framing.Send(unlock.GetType(), unlock.GetBody(), unlock.GetLength()));
    CModernPwdResetSession::RequestUserResponse answer(false, u"Rex");
    ASSERT_TRUE(client.framing.Send(answer.GetType(), answer.GetBody(), answer.GetLength()));
    client.socket.Close();
  }
  peer.Join();
  ASSERT_EQ(seen.size(), 4u);
  const PeerMessage& reset = seen[0];
  EXPECT_EQ(reset.wire.size(), 44u);
  EXPECT_EQ(reset.wire.substr(0, 20), Bytes({0x2C, 0, 0, 0, 'V', 'N', 'K', '*', 0, 0, 0, 0, 0x04, 0, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(reset.iv.size(), 8u);
  EXPECT_EQ(reset.body, Bytes({5, 0, 0, 0, 'a', 'b', 'c', 'd', 0, 0, 0, 0, 0, 0, 0, 0}));
  // Enciphered on the wire: the password is not there as it stands.
  EXPECT_EQ(reset.wire.find("abcd"), std::string::npos);
  const std::string bare = Bytes({0x14, 0, 0, 0, 'V', 'N', 'K', '*', 0, 0, 0, 0, 0x02, 0, 1, 0, 0, 0, 0, 0});
  EXPECT_EQ(seen[1].wire, bare);
  EXPECT_EQ(seen[2].wire, Bytes({0x14, 0, 0, 0, 'V', 'N', 'K', '*', 0, 0, 0, 0, 0x05, 0, 1, 0, 0, 0, 0, 0}));
  // The next enciphered message takes number 1 (the peer deciphered it so).
  EXPECT_EQ(seen[3].body.substr(0, 12), Word32(0) + Word32(4) + std::string("Rex\0", 4));
}

TEST(MessageFraming, TheSessionRequestIsARecordsLengthAndPlain) {
  std::string wire;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    PeerMessage message;
    if (connection.Receive(message)) wire = message.wire;
  });
  {
    CClientEnd client(peer);
    CModernPwdResetSession::RequestEstablishSession request(3);
    ASSERT_TRUE(client.framing.Send(request.GetType(), request.GetBody(), request.GetLength()));
    peer.Join();
  }
  ASSERT_EQ(wire.size(), 5148u);
  EXPECT_EQ(wire.substr(0, 36), Bytes({0x1C, 0x14, 0, 0, 'V', 'N', 'K', '*', 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0,  //
                                       0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(wire.find_first_not_of('\0', 36), std::string::npos);
}

TEST(MessageFraming, EveryReplyCarriesAnIvAndTheCounterIsSharedByBothDirections) {
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    connection.StartBasic(kSessionKey);
    PeerMessage message;
    ASSERT_TRUE(connection.Receive(message));  // number 0
    EXPECT_EQ(message.body.substr(0, 4), std::string("one\0", 4));
    connection.Reply(kUnlockType, "");  // number 1: header and IV only
    connection.Reply(kUnlockType, UnlockReplyBody(1, std::string("unlocked")));  // number 2
    ASSERT_TRUE(connection.Receive(message));  // number 3
    EXPECT_EQ(message.body.substr(0, 4), std::string("two\0", 4));
    // A bare header where an IV must come.
    connection.Write(Word32(20) + "VNK*" + Word32(0) + Word32(kUnlockType) + Word32(0));
    connection.WaitForClose();
  });
  CClientEnd client(peer);
  ASSERT_TRUE(client.framing.StartBasicSecurity(reinterpret_cast<const unsigned char*>(kSessionKey.data()),
                                                static_cast<std::uint32_t>(kSessionKey.size())));
  ASSERT_TRUE(client.framing.Send(kUnlockType, reinterpret_cast<const unsigned char*>("one"), 4));
  CSecretBuffer body;
  ASSERT_TRUE(client.framing.Receive(body));
  EXPECT_TRUE(body.Empty());
  ASSERT_TRUE(client.framing.Receive(body));
  EXPECT_EQ(Text(body), UnlockReplyBody(1, std::string("unlocked")) + std::string(7, '\0'));
  ASSERT_TRUE(client.framing.Send(kUnlockType, reinterpret_cast<const unsigned char*>("two"), 4));
  EXPECT_EQ(client.framing.SequenceNumber(), 4);
  EXPECT_FALSE(client.framing.Receive(body));
  client.socket.Close();
}

TEST(MessageFraming, TheSequenceNumberWrapsAt65536) {
  constexpr std::uint32_t kMessages = 65536 + 2;
  std::uint32_t understood = 0;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    connection.StartBasic(kSessionKey);
    PeerMessage message;
    for (std::uint32_t i = 0; i < kMessages && connection.Receive(message); ++i) {
      // A wrong key would make noise of the body.
      if (message.body == Word32(i) + std::string(4, '\0')) ++understood;
    }
    EXPECT_EQ(connection.Counter(), 2);
    connection.Reply(kUnlockType, UnlockReplyBody(1, std::nullopt));
    connection.WaitForClose();
  });
  CClientEnd client(peer);
  ASSERT_TRUE(client.framing.StartBasicSecurity(reinterpret_cast<const unsigned char*>(kSessionKey.data()),
                                                static_cast<std::uint32_t>(kSessionKey.size())));
  for (std::uint32_t i = 0; i < kMessages; ++i) {
    const std::string body = Word32(i);
    ASSERT_TRUE(client.framing.Send(kUnlockType, reinterpret_cast<const unsigned char*>(body.data()), 4)) << i;
  }
  EXPECT_EQ(client.framing.SequenceNumber(), 2);
  CSecretBuffer reply;
  ASSERT_TRUE(client.framing.Receive(reply));
  EXPECT_EQ(Text(reply), UnlockReplyBody(1, std::nullopt));
  EXPECT_EQ(client.framing.SequenceNumber(), 3);
  client.socket.Close();
  peer.Join();
  EXPECT_EQ(understood, kMessages);
}

TEST(MessageFraming, WithoutRandomBytesNothingIsSent) {
  std::string after;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    std::string bytes;
    connection.ReadExactly(bytes, 1);
    after = bytes;
  });
  CClientEnd client(peer);
  ASSERT_TRUE(client.framing.StartBasicSecurity(reinterpret_cast<const unsigned char*>("k"), 1));
  SetCryptRandomSource([](void*, std::size_t) { return false; });
  const bool sent = client.framing.Send(kResetType, reinterpret_cast<const unsigned char*>("secret!"), 8);
  SetCryptRandomSource(nullptr);
  EXPECT_FALSE(sent);
  EXPECT_EQ(client.framing.SequenceNumber(), 0);
  client.socket.Close();
  peer.Join();
  EXPECT_EQ(after, "");
}

TEST(MessageFraming, SessionKeysOfNoneOrMoreThanFiftyBytesAreRefused) {
  CSocket socket;
  CMessageFraming framing(socket);
  const std::string key(51, 'k');
  const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
  EXPECT_FALSE(framing.StartBasicSecurity(bytes, 0));
  EXPECT_FALSE(framing.StartBasicSecurity(bytes, 51));
  EXPECT_FALSE(framing.BasicActive());
  EXPECT_TRUE(framing.StartBasicSecurity(bytes, 50));
  EXPECT_TRUE(framing.BasicActive());
}

}  // namespace
