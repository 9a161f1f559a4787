// The typed-message session pointed at the real Pellucor on port 7257, which
// speaks only the fixed record: the session gives up within its time limit
// with the could-not-establish message, and the service goes on serving the
// fixed-record clients.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/service_fixture.h"
#include "credprov/modern_pwd_reset_session.h"
#include "credprov/pwd_reset_session_factory.h"
#include "platform/base/text.h"

namespace {

std::string Message(const IPwdResetSession& session) {
  return session.GetMessage() == nullptr ? "(none)" : Utf16ToUtf8(session.GetMessage());
}

TEST(ModernSessionService, AVersion2SessionAtTheFixedRecordServiceGivesUpAndTheServiceKeepsServing) {
  const auto service = MakeServiceRunner("Pellucor", RESET_SERVICE_PORT);
  ASSERT_NE(service, nullptr) << "the Pellucor program is not built";
  CServiceFiles files;
  files.WriteQuestionFile("corp.example.org\\alice\tPet?\tRex\tfurry\n");
  ASSERT_TRUE(service->Start(files)) << files.LogText();

  for (const bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "Basic and TLS asked for" : "Basic asked for");
    CModernPwdResetSession session;
    // The service waits for the rest of a record that never comes; the
    // session's own limit ends the wait (shortened from 30 s here).
    session.SetTimeLimit(std::chrono::milliseconds(2000));
    EXPECT_FALSE(session.Connect(u"localhost", RESET_SERVICE_PORT, true, tls));
    EXPECT_EQ(Message(session), "Could not establish a session with the Password Reset server.");
  }

  // A fixed-record client is served as before.
  const CPwdResetConfig config;
  CPwdResetSessionFactory factory;
  const auto legacy = factory.CreateSession(config, RESET_SERVICE_PORT);
  ASSERT_NE(legacy, nullptr) << (factory.GetMessage() ? Utf16ToUtf8(factory.GetMessage()) : "");
  ASSERT_TRUE(legacy->EstablishIdentity(u"corp.example.org", u"alice")) << Message(*legacy);
  EXPECT_EQ(Utf16ToUtf8(legacy->GetQuestionText()), "Pet?");
  service->Stop();
}

}  // namespace
