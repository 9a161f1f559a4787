// The fixed-record session against scripted peers: what it makes of replies
// in pieces, without zero bytes, with gaps between the questions, and of
// peers that close, stay silent or answer late; what it sends, and what it
// refuses to send.
#include "credprov/legacy_pwd_reset_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "RemoteSvr/common/hashed_answer.h"
#include "credprov/tests/scripted_peer.h"
#include "platform/base/text.h"

namespace {

using std::chrono::milliseconds;

const std::u16string kNoCommunication = u"Could not communicate with the Varnok Password Reset server.";

std::u16string Message(const IPwdResetSession& session) {
  return session.GetMessage() == nullptr ? u"(none)" : session.GetMessage();
}

std::u16string Text(const char16_t* text) { return text == nullptr ? u"(null)" : text; }

// A session connected to the peer.
void ConnectTo(CLegacyPwdResetSession& session, const CScriptedPeer& peer) {
  ASSERT_TRUE(session.Connect(u"127.0.0.1", peer.Port(), true, false)) << Utf16ToUtf8(Message(session));
}

// A peer that answers the lookup with `slots` and then records every
// further request until the client closes.
struct CLookupPeer {
  explicit CLookupPeer(std::vector<CReplyQuestion> slots, int pieces = 1)
      : peer([this, slots, pieces](CPeerConnection& c) {
          PwdResetRecord request;
          if (!c.Receive(request)) return;
          lookup = request;
          c.Reply(MakeReply(request, true, "Lookup done", slots), pieces);
          while (c.Receive(request)) {
            later.push_back(request);
            if (request.header.messageType != REQUEST_FAILURE_NOTIFICATION) {
              c.Reply(MakeReply(request, replySucceeds, replyText));
            }
          }
        }) {}

  bool replySucceeds = true;
  std::string replyText = "Password changed";
  PwdResetRecord lookup{};
  std::vector<PwdResetRecord> later;
  CScriptedPeer peer;
};

TEST(LegacySessionPeer, QuestionsAreTakenUpToTheFirstEmptySlotWithinEachFieldsWidth) {
  const std::string full(FIELD_SIZE, 'Q');
  struct Case {
    const char* name;
    std::vector<CReplyQuestion> slots;
    int pieces;
    std::uint32_t count;
    std::u16string firstQuestion;
  };
  const Case cases[] = {
      {"five questions", {{"Q1?", "h1", "a1"}, {"Q2?", "h2", "a2"}, {"Q3?", "", "a3"}, {"Q4?", "h4", "a4"},
                          {"Q5?", "h5", "a5"}}, 1, 5, u"Q1?"},
      {"empty second slot, later ones filled", {{"Q1?", "h1", "a1"}, {"", "", ""}, {"Q3?", "h3", "a3"}}, 1, 1,
       u"Q1?"},
      {"reply in many pieces", {{"Pet?", "furry", "Rex"}, {"City?", "", "Paris"}}, 9, 2, u"Pet?"},
      {"reply text and fields of UTF-8", {{"Stra\xc3\x9f" "e?", "\xe2\x82\xac", "\xc3\xa4"}}, 1, 1,
       u"Stra\u00dfe?"},
  };
  for (const Case& c : cases) {
    CLookupPeer lookupPeer(c.slots, c.pieces);
    CLegacyPwdResetSession session;
    ASSERT_NO_FATAL_FAILURE(ConnectTo(session, lookupPeer.peer));
    ASSERT_TRUE(session.EstablishIdentity(u"CORP", u"jdoe")) << c.name << ": " << Utf16ToUtf8(Message(session));
    EXPECT_EQ(session.GetQuestionCount(), c.count) << c.name;
    EXPECT_EQ(Text(session.GetQuestionText()), c.firstQuestion) << c.name;
    EXPECT_EQ(session.GetQuestionNumber(), 1u) << c.name;
    EXPECT_EQ(session.GetSkipsRemaining(), 0u) << c.name;
  }
}

TEST(LegacySessionPeer, FieldsWithoutZeroBytesAreReadToTheirWidthAndNoFurther) {
  CScriptedPeer peer([](CPeerConnection& c) {
    PwdResetRecord request;
    if (!c.Receive(request)) return;
    PwdResetRecord reply = MakeReply(request, true, "");
    std::memset(reply.questions[0], 'Q', FIELD_SIZE);
    std::memset(reply.hints[0], 'H', FIELD_SIZE);
    std::memset(reply.answers[0], 'a', FIELD_SIZE);
    std::memset(reply.replyText, 'R', REPLY_TEXT_SIZE);
    c.Reply(reply);
    c.WaitForClose();
  });
  CLegacyPwdResetSession session;
  ASSERT_NO_FATAL_FAILURE(ConnectTo(session, peer));
  ASSERT_TRUE(session.EstablishIdentity(u"CORP", u"jdoe")) << Utf16ToUtf8(Message(session));
  EXPECT_EQ(Text(session.GetQuestionText()), std::u16string(FIELD_SIZE, u'Q'));
  EXPECT_EQ(Text(session.GetHintText()), std::u16string(FIELD_SIZE, u'H'));
  bool retry = true, done = false;
  EXPECT_TRUE(session.AnswerQuestion(std::u16string(FIELD_SIZE, u'A').c_str(), retry, done));
  EXPECT_TRUE(done);
  EXPECT_FALSE(retry);
}

TEST(LegacySessionPeer, TransferFailuresEndTheLookupWithTheCommunicationMessage) {
  struct Case {
    const char* name;
    CScriptedPeer::Script script;
  };
  const Case cases[] = {
      {"closed before replying",
       [](CPeerConnection& c) {
         PwdResetRecord request;
         c.Receive(request);
       }},
      // The session gives up after its (shortened) time limit.
      {"silent",
       [](CPeerConnection& c) {
         PwdResetRecord request;
         c.Receive(request);
         c.WaitForClose();
       }},
      {"half a header, then silent",
       [](CPeerConnection& c) {
         PwdResetRecord request;
         c.Receive(request);
         c.SendRaw(std::string(reinterpret_cast<const char*>(&request), 8));
         c.WaitForClose();
       }},
      {"half a reply, then closed",
       [](CPeerConnection& c) {
         PwdResetRecord request;
         c.Receive(request);
         c.SendRaw(std::string(reinterpret_cast<const char*>(&request), RECORD_SIZE / 2));
       }},
      {"wrong magic",
       [](CPeerConnection& c) {
         PwdResetRecord request;
         c.Receive(request);
         PwdResetRecord reply = MakeReply(request, true, "", {{"Q?", "", "a"}});
         reply.header.magic = 0x2A4B4E57;
         c.Reply(reply);
         c.WaitForClose();
       }},
      {"wrong length",
       [](CPeerConnection& c) {
         PwdResetRecord request;
         c.Receive(request);
         PwdResetRecord reply = MakeReply(request, true, "", {{"Q?", "", "a"}});
         reply.header.totalLength = RECORD_SIZE + 8;
         c.Reply(reply);
         c.WaitForClose();
       }},
  };
  for (const Case& c : cases) {
    CScriptedPeer peer(c.script);
    CLegacyPwdResetSession session;
    session.SetReplyTimeLimit(milliseconds(300));
    ASSERT_NO_FATAL_FAILURE(ConnectTo(session, peer));
    EXPECT_FALSE(session.EstablishIdentity(u"CORP", u"jdoe")) << c.name;
    EXPECT_EQ(Message(session), kNoCommunication) << c.name;
    EXPECT_EQ(session.GetQuestionCount(), 0u) << c.name;
  }
}

TEST(LegacySessionPeer, ALookupWithoutQuestionsIsRefusedAndOpensNoReset) {
  CLookupPeer lookupPeer({});
  {
    CLegacyPwdResetSession session;
    ASSERT_NO_FATAL_FAILURE(ConnectTo(session, lookupPeer.peer));
    EXPECT_FALSE(session.EstablishIdentity(u"CORP", u"jdoe"));
    EXPECT_EQ(Message(session), u"You do not have any security questions defined.");
    bool retry = true;
    EXPECT_FALSE(session.ResetPassword(u"Fresh-Passw0rd", retry));
    EXPECT_FALSE(retry);
    EXPECT_EQ(Message(session), u"You have not yet established a Varnok Password Reset session.");
    EXPECT_FALSE(session.UnlockAccount());
    EXPECT_EQ(Message(session), u"You have not yet established a Varnok Password Reset session.");
    bool done = true;
    EXPECT_FALSE(session.AnswerQuestion(u"x", retry, done));
    EXPECT_EQ(Message(session), u"You do not have any security questions defined.");
  }
  lookupPeer.peer.Join();
  EXPECT_TRUE(lookupPeer.later.empty());
}

TEST(LegacySessionPeer, RefusedLookupShowsTheServicesText) {
  CScriptedPeer peer([](CPeerConnection& c) {
    PwdResetRecord request;
    if (!c.Receive(request)) return;
    c.Reply(MakeReply(request, false, "No questions found for corp\\jdoe, please contact your System Administrator"));
    c.WaitForClose();
  });
  CLegacyPwdResetSession session;
  ASSERT_NO_FATAL_FAILURE(ConnectTo(session, peer));
  EXPECT_FALSE(session.EstablishIdentity(u"corp", u"jdoe"));
  EXPECT_EQ(Message(session), u"No questions found for corp\\jdoe, please contact your System Administrator");
}

TEST(LegacySessionPeer, TheDialogueSendsWhatTheServiceExpects) {
  CLookupPeer lookupPeer({{"Pet?", "furry", "Rex"}, {"City?", "", HashedAnswer("Z\xc3\xbcrich")}});
  {
    CLegacyPwdResetSession session;
    ASSERT_NO_FATAL_FAILURE(ConnectTo(session, lookupPeer.peer));
    ASSERT_TRUE(session.EstablishIdentity(u"CORP", u"J\u00f6rg"));
    bool retry = true, done = true;
    // Nothing goes out before every question is answered.
    EXPECT_FALSE(session.ResetPassword(u"Fresh-Passw0rd", retry));
    EXPECT_EQ(Message(session), u"You have not answered enough security questions to continue.");
    EXPECT_FALSE(session.UnlockAccount());
    EXPECT_EQ(Message(session), u"You have not answered enough security questions to continue.");
    EXPECT_FALSE(session.SkipQuestion(done));
    EXPECT_FALSE(done);
    EXPECT_EQ(Message(session), u"Skipping questions is not supported by this version of the Varnok Password Reset server.");

    // A wrong answer: one notice, no retry, the question stays.
    EXPECT_FALSE(session.AnswerQuestion(u"Felix", retry, done));
    EXPECT_FALSE(retry);
    EXPECT_EQ(Message(session), u"Incorrect answer.");
    EXPECT_EQ(session.GetQuestionNumber(), 1u);
    EXPECT_TRUE(session.NextQuestion());
    EXPECT_TRUE(session.AnswerQuestion(u"rEX", retry, done));
    EXPECT_FALSE(done);
    EXPECT_EQ(Text(session.GetQuestionText()), u"City?");
    EXPECT_EQ(Text(session.GetHintText()), u"");
    EXPECT_TRUE(session.AnswerQuestion(u"Z\u00dcRICH", retry, done));
    EXPECT_TRUE(done);
    EXPECT_FALSE(session.NextQuestion());
    EXPECT_EQ(Message(session), u"There are no more questions to answer.");
    EXPECT_EQ(session.GetQuestionText(), nullptr);
    EXPECT_FALSE(session.AnswerQuestion(u"Rex", retry, done));
    EXPECT_EQ(Message(session), u"There are no more questions to answer.");

    // 128 two-byte characters do not fit in 255 bytes: refused, never cut.
    const std::u16string tooLong(128, u'\u00e9');
    EXPECT_FALSE(session.ResetPassword(tooLong.c_str(), retry));
    EXPECT_TRUE(retry);
    EXPECT_NE(Message(session).find(u"too long"), std::u16string::npos);
    const std::u16string fits = std::u16string(127, u'\u00e9') + u"x";
    EXPECT_TRUE(session.ResetPassword(fits.c_str(), retry));
    EXPECT_FALSE(retry);
    EXPECT_EQ(Message(session), u"Password changed");
  }
  lookupPeer.peer.Join();

  EXPECT_EQ(lookupPeer.lookup.header.messageType, REQUEST_LOOKUP_USER);
  EXPECT_EQ(lookupPeer.lookup.header.magic, MESSAGE_MAGIC);
  EXPECT_EQ(RecordText(lookupPeer.lookup.domain), "CORP");
  EXPECT_EQ(RecordText(lookupPeer.lookup.userName), "J\xc3\xb6rg");
  EXPECT_EQ(RecordText(lookupPeer.lookup.newPassword), "");
  ASSERT_EQ(lookupPeer.later.size(), 2u);
  // The notice names nobody: the service counts it against the looked-up user.
  const PwdResetRecord& notice = lookupPeer.later[0];
  EXPECT_EQ(notice.header.messageType, REQUEST_FAILURE_NOTIFICATION);
  EXPECT_EQ(RecordText(notice.domain), "");
  EXPECT_EQ(RecordText(notice.userName), "");
  const PwdResetRecord& reset = lookupPeer.later[1];
  EXPECT_EQ(reset.header.messageType, REQUEST_SET_PASSWORD);
  EXPECT_EQ(RecordText(reset.domain), "CORP");
  EXPECT_EQ(RecordText(reset.userName), "J\xc3\xb6rg");
  EXPECT_EQ(RecordText(reset.newPassword), Utf16ToUtf8(std::u16string(127, u'\u00e9') + u"x"));
}

TEST(LegacySessionPeer, NamesAreCutAt255BytesOnACharacterBoundary) {
  CLookupPeer lookupPeer({{"Q?", "", "a"}});
  {
    CLegacyPwdResetSession session;
    ASSERT_NO_FATAL_FAILURE(ConnectTo(session, lookupPeer.peer));
    // 200 characters of two bytes each: 127 of them fit.
    ASSERT_TRUE(session.EstablishIdentity(std::u16string(200, u'\u00e9').c_str(), u"x"));
  }
  lookupPeer.peer.Join();
  EXPECT_EQ(RecordText(lookupPeer.lookup.domain), Utf16ToUtf8(std::u16string(127, u'\u00e9')));
}

TEST(LegacySessionPeer, ServiceRefusalsOfTheAccountChange) {
  struct Case {
    const char* name;
    bool reset;
    std::string replyText;
    bool succeeds;
    bool retry;
  };
  const Case cases[] = {
      {"rule rejection", true, "The password is too short", false, true},
      {"unlock refused", false, "The account could not be unlocked", false, false},
      {"unlocked", false, "Account unlocked", true, false},
  };
  for (const Case& c : cases) {
    CLookupPeer lookupPeer({{"Q?", "", "a"}});
    lookupPeer.replySucceeds = c.succeeds;
    lookupPeer.replyText = c.replyText;
    CLegacyPwdResetSession session;
    ASSERT_NO_FATAL_FAILURE(ConnectTo(session, lookupPeer.peer));
    ASSERT_TRUE(session.EstablishIdentity(u"CORP", u"jdoe"));
    bool retry = false, done = false;
    ASSERT_TRUE(session.AnswerQuestion(u"A", retry, done));
    retry = !c.retry;
    const bool result = c.reset ? session.ResetPassword(u"short", retry) : session.UnlockAccount();
    EXPECT_EQ(result, c.succeeds) << c.name;
    if (c.reset) {
      EXPECT_EQ(retry, c.retry) << c.name;
    }
    EXPECT_EQ(Message(session), Utf8ToUtf16(c.replyText)) << c.name;
  }
}

TEST(LegacySessionPeer, AReplyThatCameTooLateIsNeverTakenForTheNextOne) {
  std::promise<void> gaveUp;
  std::future<void> gaveUpSeen = gaveUp.get_future();
  CScriptedPeer peer([&](CPeerConnection& c) {
    PwdResetRecord request;
    if (!c.Receive(request)) return;
    c.Reply(MakeReply(request, true, "", {{"Q?", "", "a"}}));
    if (!c.Receive(request)) return;
    // The reset's reply only once the session has given up on it.
    gaveUpSeen.wait();
    c.Reply(MakeReply(request, true, "Password changed"));
    if (c.Receive(request)) c.Reply(MakeReply(request, true, "Account unlocked"));
  });
  CLegacyPwdResetSession session;
  session.SetReplyTimeLimit(milliseconds(200));
  ASSERT_NO_FATAL_FAILURE(ConnectTo(session, peer));
  ASSERT_TRUE(session.EstablishIdentity(u"CORP", u"jdoe"));
  bool retry = false, done = false;
  ASSERT_TRUE(session.AnswerQuestion(u"a", retry, done));
  EXPECT_FALSE(session.ResetPassword(u"Fresh-Passw0rd", retry));
  EXPECT_FALSE(retry);
  EXPECT_EQ(Message(session), kNoCommunication);
  gaveUp.set_value();
  EXPECT_FALSE(session.UnlockAccount());
  EXPECT_EQ(Message(session), kNoCommunication);
}

TEST(LegacySessionPeer, ConnectRefusesTlsAndNeedsBasicAndTriesEachServer) {
  CLookupPeer lookupPeer({{"Q?", "", "a"}});
  CLegacyPwdResetSession tls, plain, none;
  CWideStringArray servers;
  servers.Add(u"127.0.0.1");
  EXPECT_FALSE(tls.Connect(servers, lookupPeer.peer.Port(), true, true));
  EXPECT_EQ(Message(tls), u"TLS is not supported by this version of the Varnok Password Reset server.");
  EXPECT_FALSE(plain.Connect(servers, lookupPeer.peer.Port(), false, false));
  EXPECT_EQ(Message(plain), u"Basic encryption is required for this version of the Varnok Password Reset server.");
  CWideStringArray nowhere;
  EXPECT_FALSE(none.Connect(nowhere, lookupPeer.peer.Port(), true, false));
  EXPECT_EQ(Message(none), u"There are no Varnok Password Reset servers available to service your request.");
  // An unknown name and a refusing address first: the third server answers,
  // on a socket of its own.
  CWideStringArray three;
  three.Add(u"no-such-host.invalid");
  three.Add(u"127.0.0.2");
  three.Add(u"127.0.0.1");
  CLegacyPwdResetSession session;
  ASSERT_TRUE(session.Connect(three, lookupPeer.peer.Port(), true, false)) << Utf16ToUtf8(Message(session));
  EXPECT_TRUE(session.EstablishIdentity(u"CORP", u"jdoe")) << Utf16ToUtf8(Message(session));
}

}  // namespace
