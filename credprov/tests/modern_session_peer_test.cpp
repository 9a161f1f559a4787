// The typed-message session against the tests' own version-2 peer: scripted
// dialogues (a refusal at the first server, skips, a retry allowed by
// "more", the default reset and unlock texts, Basic security inside TLS
// through the factory) and a table of faults in the negotiation and in a
// reply under Basic security.
#include "credprov/modern_pwd_reset_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "credprov/pwd_reset_session_factory.h"
#include "credprov/tests/test_pki.h"
#include "credprov/tests/test_registry.h"
#include "credprov/tests/typed_peer.h"
#include "platform/base/text.h"
#include "tests/support/closed_port.h"

namespace {

std::string Message(const IPwdResetSession& session) {
  return session.GetMessage() == nullptr ? "(none)" : Utf16ToUtf8(session.GetMessage());
}

std::string Text(const char16_t* text) { return text == nullptr ? "(none)" : Utf16ToUtf8(text); }

std::unique_ptr<CModernPwdResetSession> NewSession(std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  auto session = std::make_unique<CModernPwdResetSession>();
  session->SetTimeLimit(limit);
  return session;
}

bool Connect(CModernPwdResetSession& session, const CTypedPeer& peer, bool basic, bool tls) {
  return session.Connect(u"127.0.0.1", peer.Port(), basic, tls);
}

std::string Header(std::uint32_t totalLength, std::uint32_t type, std::uint32_t reserved1 = 0,
                   std::uint32_t reserved2 = 0, const std::string& magic = "VNK*") {
  return Word32(totalLength) + magic + Word32(reserved1) + Word32(type) + Word32(reserved2);
}

// A plain reply of `type` with `body`, as the peer frames it before Basic
// security.
std::string PlainReply(std::uint32_t type, const std::string& body) {
  return Header(static_cast<std::uint32_t>(20 + body.size()), type) + body;
}

const std::string kKey = "0123456789";

// ---------------------------------------------------------------------------
// Dialogues

TEST(ModernSessionPeer, ARefusalAtTheFirstServerNeverReachesTheSecond) {
  CTypedPeer first([](CTypedPeerConnection& connection) {
    PeerMessage request;
    ASSERT_TRUE(connection.Receive(request));
    connection.Reply(kSessionType, SessionReplyBody(0, 0, 2, 1, std::string("Not today."), ""));
    connection.WaitForClose();
  });
  CTypedPeer second(nullptr, "127.0.0.2", first.Port());
  auto session = NewSession();
  CWideStringArray servers;
  // Nothing listens at the first address; the refusal comes from the second.
  servers.Add(u"127.0.0.3");
  servers.Add(u"127.0.0.1");
  servers.Add(u"127.0.0.2");
  EXPECT_FALSE(session->Connect(servers, first.Port(), true, false));
  EXPECT_EQ(Message(*session), "Not today.");
  session.reset();
  first.Join();
  EXPECT_FALSE(second.ClientWaiting());
}

TEST(ModernSessionPeer, NoServerTakingTheConnection) {
  const ClosedPort closed;
  auto session = NewSession();
  EXPECT_FALSE(session->Connect(u"127.0.0.1", closed.Port(), true, true));
  EXPECT_EQ(Message(*session), "There are no Varnok Password Reset servers available to service your request.");
}

TEST(ModernSessionPeer, SkipsAnswersResetAndUnlockUnderBasicSecurity) {
  std::vector<PeerMessage> requests;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    ASSERT_TRUE(ServeNegotiation(connection, 1, kKey));
    PeerMessage request;
    auto next = [&]() {
      if (!connection.Receive(request)) return false;
      requests.push_back(request);
      return true;
    };
    ASSERT_TRUE(next());
    connection.Reply(kIdentityType, IdentityReplyBody(1, 2, 2, std::string("not shown")));
    const char* questions[][2] = {{"Pet?", "furry"}, {"City?", nullptr}, {"Colour?", "sky"}, {"Pet?", "furry"}};
    std::uint32_t more[] = {1, 1, 1, 0};
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(next());
      connection.Reply(kNextQuestionType,
                       QuestionReplyBody(1, std::string("unused"), std::string(questions[i][0]),
                                         questions[i][1] ? std::optional<std::string>(questions[i][1]) : std::nullopt));
      ASSERT_TRUE(next());
      connection.Reply(kUserResponseType, UserResponseReplyBody(1, more[i], std::nullopt));
    }
    ASSERT_TRUE(next());
    connection.Reply(kResetType, ResetReplyBody(1, 0, std::nullopt));
    ASSERT_TRUE(next());
    connection.Reply(kUnlockType, UnlockReplyBody(1, std::nullopt));
    connection.WaitForClose();
  });
  auto session = NewSession();
  ASSERT_TRUE(Connect(*session, peer, true, false)) << Message(*session);
  EXPECT_TRUE(session->BasicActive());
  EXPECT_FALSE(session->TlsActive());
  ASSERT_TRUE(session->EstablishIdentity(u"corp.example.org", u"alice")) << Message(*session);
  EXPECT_EQ(session->GetQuestionCount(), 2u);
  EXPECT_EQ(session->GetSkipsRemaining(), 2u);
  EXPECT_EQ(session->GetQuestionNumber(), 0u);
  bool done = true, retry = true;
  // Two skips before the first answer: the question shown keeps number 1.
  for (int skip = 0; skip < 2; ++skip) {
    ASSERT_TRUE(session->NextQuestion()) << Message(*session);
    EXPECT_EQ(session->GetQuestionNumber(), 1u);
    ASSERT_TRUE(session->SkipQuestion(done)) << Message(*session);
    EXPECT_FALSE(done);
    EXPECT_EQ(session->GetSkipsRemaining(), 1u - skip);
  }
  ASSERT_TRUE(session->NextQuestion());
  EXPECT_EQ(session->GetQuestionNumber(), 1u);
  EXPECT_EQ(Text(session->GetQuestionText()), "Colour?");
  EXPECT_EQ(Text(session->GetHintText()), "sky");
  ASSERT_TRUE(session->AnswerQuestion(u"Blue", retry, done)) << Message(*session);
  EXPECT_FALSE(done);
  EXPECT_FALSE(retry);
  ASSERT_TRUE(session->NextQuestion());
  EXPECT_EQ(session->GetQuestionNumber(), 2u);
  ASSERT_TRUE(session->AnswerQuestion(u"Rex", retry, done));
  EXPECT_TRUE(done);
  ASSERT_TRUE(session->ResetPassword(u"n3w P\u00e4ss", retry)) << Message(*session);
  EXPECT_EQ(Message(*session), "Your password has been reset.");
  ASSERT_TRUE(session->UnlockAccount());
  EXPECT_EQ(Message(*session), "Your account has been unlocked.");
  session.reset();
  peer.Join();

  ASSERT_EQ(requests.size(), 11u);
  const std::string& identity = requests[0].body;
  EXPECT_EQ(requests[0].type, kIdentityType);
  EXPECT_EQ(identity.substr(0, 8 + 17 + 6), Word32(17) + Word32(6) + std::string("corp.example.org\0alice\0", 23));
  // Questions are asked for with bare headers; skips carry no answer.
  EXPECT_EQ(requests[1].wire.size(), 20u);
  EXPECT_EQ(requests[2].body.substr(0, 8), Word32(1) + Word32(0));
  EXPECT_EQ(requests[6].body.substr(0, 13), Word32(0) + Word32(5) + std::string("Blue\0", 5));
  EXPECT_EQ(requests[9].type, kResetType);
  EXPECT_EQ(requests[9].body.substr(0, 4 + 10), Word32(10) + std::string("n3w P\xc3\xa4ss\0", 10));
  EXPECT_EQ(requests[10].wire, Header(20, kUnlockType));
}

TEST(ModernSessionPeer, RetriesAllowedByTheServerAndItsTexts) {
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    ASSERT_TRUE(ServeNegotiation(connection, 0));
    PeerMessage request;
    const std::string replies[][2] = {
        {Word32(kIdentityType), IdentityReplyBody(1, 1, 0, std::nullopt)},
        {Word32(kNextQuestionType), QuestionReplyBody(1, std::nullopt, std::string("Pet?"), std::nullopt)},
        {Word32(kUserResponseType), UserResponseReplyBody(0, 1, std::string("Wrong, try again."))},
        {Word32(kUserResponseType), UserResponseReplyBody(0, 0, std::nullopt)},
        {Word32(kUserResponseType), UserResponseReplyBody(1, 0, std::nullopt)},
        {Word32(kResetType), ResetReplyBody(0, 1, std::string("Too short."))},
        {Word32(kResetType), ResetReplyBody(0, 0, std::nullopt)},
        {Word32(kResetType), ResetReplyBody(1, 0, std::string("Changed."))},
        {Word32(kUnlockType), UnlockReplyBody(0, std::string("Not locked."))},
        {Word32(kUnlockType), UnlockReplyBody(1, std::string("Unlocked here."))},
    };
    for (const auto& reply : replies) {
      ASSERT_TRUE(connection.Receive(request));
      EXPECT_EQ(Word32(request.type), reply[0]);
      connection.Reply(request.type, reply[1]);
    }
    connection.WaitForClose();
  });
  auto session = NewSession();
  ASSERT_TRUE(Connect(*session, peer, false, false)) << Message(*session);
  EXPECT_FALSE(session->BasicActive());
  ASSERT_TRUE(session->EstablishIdentity(u"corp", u"bob"));
  EXPECT_EQ(session->GetSkipsRemaining(), 0u);
  ASSERT_TRUE(session->NextQuestion());
  EXPECT_EQ(session->GetHintText(), nullptr);
  bool retry = false, done = true;
  EXPECT_FALSE(session->AnswerQuestion(u"Felix", retry, done));
  EXPECT_TRUE(retry);
  EXPECT_FALSE(done);
  EXPECT_EQ(Message(*session), "Wrong, try again.");
  // A refusal without a text still leaves one.
  EXPECT_FALSE(session->AnswerQuestion(u"Tom", retry, done));
  EXPECT_FALSE(retry);
  EXPECT_EQ(Message(*session), "The Password Reset server refused the request.");
  ASSERT_TRUE(session->AnswerQuestion(u"Rex", retry, done));
  EXPECT_TRUE(done);
  EXPECT_FALSE(session->ResetPassword(u"short", retry));
  EXPECT_TRUE(retry);
  EXPECT_EQ(Message(*session), "Too short.");
  EXPECT_FALSE(session->ResetPassword(u"other", retry));
  EXPECT_FALSE(retry);
  EXPECT_EQ(Message(*session), "The Password Reset server refused the request.");
  EXPECT_TRUE(session->ResetPassword(u"long enough", retry));
  EXPECT_EQ(Message(*session), "Changed.");
  EXPECT_FALSE(session->UnlockAccount());
  EXPECT_EQ(Message(*session), "Not locked.");
  EXPECT_TRUE(session->UnlockAccount());
  EXPECT_EQ(Message(*session), "Unlocked here.");
  session.reset();
  peer.Join();
}

TEST(ModernSessionPeer, SkipCountersNeverGoBelowZero) {
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    ASSERT_TRUE(ServeNegotiation(connection, 1, kKey));
    PeerMessage request;
    ASSERT_TRUE(connection.Receive(request));
    connection.Reply(kIdentityType, IdentityReplyBody(1, 1, 0, std::nullopt));
    // The server lets a skip through that it never offered.
    ASSERT_TRUE(connection.Receive(request));
    connection.Reply(kUserResponseType, UserResponseReplyBody(1, 1, std::nullopt));
    connection.WaitForClose();
  });
  auto session = NewSession();
  ASSERT_TRUE(Connect(*session, peer, true, false)) << Message(*session);
  ASSERT_TRUE(session->EstablishIdentity(u"corp", u"bob"));
  bool done = true;
  ASSERT_TRUE(session->SkipQuestion(done));
  EXPECT_EQ(session->GetQuestionNumber(), 0u);
  EXPECT_EQ(session->GetSkipsRemaining(), 0u);
  session.reset();
  peer.Join();
}

TEST(ModernSessionPeer, BasicSecurityInsideTlsThroughTheFactory) {
  const CTestPki pki;
  SSL_CTX* const tls = pki.NewServerContext({});
  std::string identity;
  std::uint16_t peerCounter = 0;
  CTypedPeer peer([&](CTypedPeerConnection& connection) {
    ASSERT_TRUE(ServeNegotiation(connection, 3, kKey, tls));
    PeerMessage request;
    ASSERT_TRUE(connection.Receive(request));
    identity = request.body;
    connection.Reply(kIdentityType, IdentityReplyBody(1, 1, 1, std::nullopt));
    ASSERT_TRUE(connection.Receive(request));
    connection.Reply(kNextQuestionType, QuestionReplyBody(1, std::nullopt, std::string("Pet?"), std::string("furry")));
    ASSERT_TRUE(connection.Receive(request));
    connection.Reply(kUserResponseType, UserResponseReplyBody(1, 0, std::nullopt));
    peerCounter = connection.Counter();
    connection.WaitForClose();
  });
  // Version 2 with the encryption unset asks for Basic security and TLS.
  CTestRegistry registry;
  registry.Write("\"CentralServer\"=\"localhost\"\r\n\"ProtocolVersion\"=dword:00000002\r\n");
  const CPwdResetConfig config;
  CPwdResetSessionFactory factory;
  auto session = factory.CreateSession(config, peer.Port());
  ASSERT_NE(session, nullptr) << Text(factory.GetMessage());
  auto* modern = dynamic_cast<CModernPwdResetSession*>(session.get());
  ASSERT_NE(modern, nullptr);
  EXPECT_TRUE(modern->BasicActive());
  EXPECT_TRUE(modern->TlsActive());
  ASSERT_TRUE(session->EstablishIdentity(u"corp", u"carol")) << Message(*session);
  ASSERT_TRUE(session->NextQuestion()) << Message(*session);
  EXPECT_EQ(Text(session->GetQuestionText()), "Pet?");
  bool retry = true, done = false;
  ASSERT_TRUE(session->AnswerQuestion(u"Rex", retry, done)) << Message(*session);
  EXPECT_TRUE(done);
  session.reset();
  peer.Join();
  SSL_CTX_free(tls);
  EXPECT_EQ(identity.substr(0, 8), Word32(5) + Word32(6));
  // Identity, its reply, the bare question request (no number), its reply,
  // the answer and its reply.
  EXPECT_EQ(peerCounter, 5);
}

TEST(ModernSessionPeer, TlsRefusedByTheCertificateCheckEndsTheNegotiation) {
  const CTestPki pki;
  SSL_CTX* const tls = pki.NewServerContext({ServerCertificate::OtherName});
  CTypedPeer peer([&](CTypedPeerConnection& connection) { EXPECT_FALSE(ServeNegotiation(connection, 2, "", tls)); });
  auto session = NewSession();
  EXPECT_FALSE(session->Connect(u"localhost", peer.Port(), false, true));
  EXPECT_EQ(Message(*session), "Could not start TLS conversation with server.");
  // Nothing more goes out on that connection.
  EXPECT_FALSE(session->EstablishIdentity(u"corp", u"carol"));
  EXPECT_EQ(Message(*session), "Could not establish a session with the Password Reset server.");
  session.reset();
  peer.Join();
  SSL_CTX_free(tls);
}

TEST(ModernSessionPeer, ASecondConnectStartsOverPlainAndWithoutAKey) {
  const CTestPki pki;
  SSL_CTX* const tls = pki.NewServerContext({});
  CTypedPeer first([&](CTypedPeerConnection& connection) {
    ASSERT_TRUE(ServeNegotiation(connection, 3, kKey, tls));
    connection.WaitForClose();
  });
  CTypedPeer second([&](CTypedPeerConnection& connection) {
    ASSERT_TRUE(ServeNegotiation(connection, 0));
    PeerMessage request;
    ASSERT_TRUE(connection.Receive(request));
    EXPECT_EQ(request.type, kIdentityType);
    connection.Reply(kIdentityType, IdentityReplyBody(1, 1, 0, std::nullopt));
    connection.WaitForClose();
  });
  auto session = NewSession();
  ASSERT_TRUE(session->Connect(u"localhost", first.Port(), true, true)) << Message(*session);
  EXPECT_TRUE(session->TlsActive());
  ASSERT_TRUE(session->Connect(u"127.0.0.1", second.Port(), false, false)) << Message(*session);
  EXPECT_FALSE(session->TlsActive());
  EXPECT_FALSE(session->BasicActive());
  EXPECT_TRUE(session->EstablishIdentity(u"corp", u"erin")) << Message(*session);
  session.reset();
  first.Join();
  second.Join();
  SSL_CTX_free(tls);
}

// ---------------------------------------------------------------------------
// Faults

using Act = std::function<void(CTypedPeerConnection&)>;

struct FaultCase {
  const char* name;
  bool atIdentity;  // false: the reply to the negotiation; true: to the identity, under Basic security
  std::uint32_t flags;
  Act act;
  bool succeeds;
  std::string message;
  std::chrono::milliseconds limit = std::chrono::milliseconds(5000);
};

Act Send(const std::string& bytes) {
  return [bytes](CTypedPeerConnection& connection) {
    connection.Write(bytes);
    connection.WaitForClose();
  };
}

Act SendInTwo(const std::string& bytes, std::size_t first) {
  return [bytes, first](CTypedPeerConnection& connection) {
    connection.Write(bytes.substr(0, first));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    connection.Write(bytes.substr(first));
    connection.WaitForClose();
  };
}

Act SendAndClose(const std::string& bytes) {
  return [bytes](CTypedPeerConnection& connection) { connection.Write(bytes); };
}

// A reply under Basic security built by hand: IV, and `body` enciphered
// (padded by the peer only when `pad`).
Act SendEnciphered(std::uint32_t type, const std::string& body) {
  return [type, body](CTypedPeerConnection& connection) {
    connection.Reply(type, body);
    connection.WaitForClose();
  };
}

std::string SessionReply(std::uint32_t flags, const std::string& key, std::uint32_t status = 0,
                         std::uint32_t accepted = 1, std::uint32_t version = 2,
                         const std::optional<std::string>& text = std::nullopt) {
  return PlainReply(kSessionType, SessionReplyBody(status, accepted, version, flags, text, key));
}

TEST(ModernSessionPeer, FaultTable) {
  const std::string noSession = "Could not establish a session with the Password Reset server.";
  const std::string notUnderstood = "Could not understand a session with the Password Reset server.";
  const std::string noBasic = "Could not establish Basic Security with server.";
  const std::string good = SessionReply(1, kKey);
  const std::string body = SessionReplyBody(0, 1, 2, 1, std::nullopt, kKey);
  const FaultCase cases[] = {
      // The negotiation.
      {"sound, header split over two sends", false, 1, SendInTwo(good, 7), true, "(none)"},
      {"sound, key of 50 bytes", false, 1, Send(SessionReply(1, std::string(50, 'k'))), true, "(none)"},
      {"flags 1 echoed for 3", false, 3, Send(SessionReply(1, kKey)), false, "Could not agree on an encryption level."},
      {"flags 3 echoed for 1", false, 1, Send(SessionReply(3, kKey)), false, "Could not agree on an encryption level."},
      {"key of 0 bytes", false, 1, Send(SessionReply(1, "")), false, noBasic},
      {"key of 51 bytes", false, 1, Send(SessionReply(1, std::string(51, 'k'))), false, noBasic},
      {"refusal with a text", false, 1, Send(SessionReply(1, "", 0, 0, 2, std::string("Not today."))), false,
       "Not today."},
      {"refusal without a text", false, 1, Send(SessionReply(1, "", 0, 0)), false,
       "The Password Reset server refused the session."},
      {"acceptance with a text", false, 1, Send(SessionReply(1, kKey, 0, 1, 2, std::string("But..."))), false,
       "But..."},
      {"status 1", false, 1, Send(SessionReply(1, kKey, 1)), false, notUnderstood},
      {"version 3", false, 1, Send(SessionReply(1, kKey, 0, 1, 3)), false, notUnderstood},
      {"reserved1 set", false, 1, Send(Header(20 + 34, kSessionType, 1) + body), false, noSession},
      {"reserved2 set", false, 1, Send(Header(20 + 34, kSessionType, 0, 1) + body), false, noSession},
      {"wrong magic", false, 1, Send(Header(20 + 34, kSessionType, 0, 0, "VNK!") + body), false, noSession},
      {"totalLength past 1 MiB", false, 1, Send(Header(1048577, kSessionType) + body), false, noSession},
      {"totalLength below a header", false, 1, Send(Header(19, kSessionType) + body), false, noSession},
      {"totalLength past the bytes sent", false, 1, SendAndClose(Header(20 + 100, kSessionType) + body), false,
       noSession},
      {"closing mid-header", false, 1, SendAndClose(good.substr(0, 10)), false, noSession},
      {"silence", false, 1, [](CTypedPeerConnection& connection) { connection.WaitForClose(); }, false, noSession,
       std::chrono::milliseconds(300)},
      {"body below 24 bytes", false, 1, Send(PlainReply(kSessionType, body.substr(0, 20))), false, notUnderstood},
      {"text length past the body", false, 1,
       Send(PlainReply(kSessionType, Word32(0) + Word32(1) + Word32(2) + Word32(1) + Word32(40) + Word32(0) + "x")),
       false, notUnderstood},
      {"text length wrapping past the end", false, 1,
       Send(PlainReply(kSessionType,
                       Word32(0) + Word32(1) + Word32(2) + Word32(1) + Word32(0xFFFFFFFF) + Word32(1) + "k")),
       false, notUnderstood},
      {"text of 5 bytes whose fifth is not NUL", false, 1,
       Send(PlainReply(kSessionType, Word32(0) + Word32(1) + Word32(2) + Word32(1) + Word32(5) + Word32(1) + "abcdek")),
       false, notUnderstood},
      {"key length past the body", false, 1,
       Send(PlainReply(kSessionType, Word32(0) + Word32(1) + Word32(2) + Word32(1) + Word32(0) + Word32(11) + kKey)),
       false, notUnderstood},
      {"key length wrapping past the end", false, 1,
       Send(PlainReply(kSessionType, Word32(0) + Word32(1) + Word32(2) + Word32(1) + Word32(0) + Word32(0xFFFFFFFF))),
       false, notUnderstood},
      // A reply under Basic security.
      {"sound identity, header split", true, 1,
       [](CTypedPeerConnection& connection) {
         const std::string reply = connection.Frame(kIdentityType, IdentityReplyBody(1, 3, 0, std::nullopt));
         connection.Write(reply.substr(0, 3));
         std::this_thread::sleep_for(std::chrono::milliseconds(20));
         connection.Write(reply.substr(3));
         connection.WaitForClose();
       },
       true, "(none)"},
      {"body not whole blocks", true, 1,
       Send(Header(28 + 12, kIdentityType) + std::string(8, 'i') + IdentityReplyBody(1, 3, 0, std::nullopt).substr(0, 12)),
       false, noSession},
      {"no IV", true, 1, Send(Header(20, kIdentityType)), false, noSession},
      {"IV cut short", true, 1, SendAndClose(Header(28 + 16, kIdentityType) + "iv"), false, noSession},
      {"closing mid-body", true, 1, SendAndClose(Header(28 + 16, kIdentityType) + std::string(8, 'i') + "body"), false,
       noSession},
      {"body below 16 bytes", true, 1, SendEnciphered(kIdentityType, Word32(1) + Word32(3)), false, notUnderstood},
      {"text past the body", true, 1,
       SendEnciphered(kIdentityType, Word32(1) + Word32(3) + Word32(0) + Word32(100) + "x"), false, notUnderstood},
      {"refusal without a text", true, 1, SendEnciphered(kIdentityType, IdentityReplyBody(0, 0, 0, std::nullopt)),
       false, "The Password Reset server refused the request."},
      {"refusal with a text", true, 1,
       SendEnciphered(kIdentityType, IdentityReplyBody(0, 0, 0, std::string("Unknown user."))), false,
       "Unknown user."},
      {"no questions", true, 1, SendEnciphered(kIdentityType, IdentityReplyBody(1, 0, 0, std::nullopt)), false,
       "You do not have any questions configured."},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    CTypedPeer peer([&](CTypedPeerConnection& connection) {
      if (c.atIdentity) {
        ASSERT_TRUE(ServeNegotiation(connection, c.flags, kKey));
      } else {
        PeerMessage request;
        ASSERT_TRUE(connection.Receive(request));
      }
      if (c.atIdentity) {
        PeerMessage request;
        ASSERT_TRUE(connection.Receive(request));
      }
      c.act(connection);
    });
    auto session = NewSession(c.limit);
    bool succeeded = Connect(*session, peer, (c.flags & 1) != 0, (c.flags & 2) != 0);
    if (c.atIdentity) {
      ASSERT_TRUE(succeeded) << Message(*session);
      succeeded = session->EstablishIdentity(u"corp", u"dave");
    }
    EXPECT_EQ(succeeded, c.succeeds);
    EXPECT_EQ(Message(*session), c.message);
    session.reset();
    peer.Join();
  }
}

}  // namespace
