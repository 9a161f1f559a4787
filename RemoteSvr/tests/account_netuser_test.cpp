// Setting a password and unlocking through the network-user interface,
// seen at the netapi backend seam (a recording backend: only the sequence
// of calls shows which calls a reset makes, with which passwords, in which
// order, and where it stops). The calls themselves against a real DC are
// platform/netapi/tests/netapi_dc_test.cpp; the whole path through Pellucor is
// netuser_dc_test.cpp.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "RemoteSvr/common/win32_error_text.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "tests/support/service_fixture.h"
#include "platform/netapi/netapi.h"
#include "platform/netapi/netapi_backend.h"
#include "platform/cryptoapi/wincrypt.h"

namespace {

constexpr DWORD kReadFlags = UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE | UF_LOCKOUT | UF_DONT_EXPIRE_PASSWD;

class CRecordingBackend : public INetApiBackend {
 public:
  DWORD UserGetGroups(const std::string&, const std::string&, std::vector<std::string>&) override { return 50; }
  DWORD UserGetLocalGroups(const std::string&, const std::string&, bool, std::vector<std::string>&) override {
    return 50;
  }
  // No local domain controller: the settings hold only the file's lines.
  DWORD GetDcName(const std::string&, const std::string&, DWORD, CDomainControllerInfo&) override {
    return ERROR_NO_SUCH_DOMAIN;
  }
  DWORD UserSetPassword(const std::string& server, const std::string& user, const std::string& password,
                        DWORD&) override {
    return Record("set1003", server, user + " " + password);
  }
  DWORD UserGetInfo(const std::string& server, const std::string& user, CUserRecord& record) override {
    record.name = user;
    record.flags = kReadFlags;
    record.passwordExpired = 0;
    return Record("get3", server, user);
  }
  DWORD UserSetInfo(const std::string& server, const std::string& user, const CUserRecord& record,
                    DWORD&) override {
    written = record;
    return Record("set3", server, user);
  }
  DWORD UserChangePassword(const std::string& server, const std::string& user, const std::string& oldPassword,
                           const std::string& newPassword) override {
    return Record("change", server, user + " " + oldPassword + " " + newPassword);
  }
  DWORD UserChangePasswordReady(const std::string& server) override { return Record("ready", server, ""); }

  // Makes `call` answer `status`, after `passTimes` successes, `failTimes`
  // times (negative: always); replaces what was set for the call before.
  void Fail(const std::string& call, DWORD status, int failTimes = -1, int passTimes = 0) {
    failures[call] = {status, passTimes, failTimes};
  }
  void FailNothing() { failures.clear(); }
  std::vector<std::string> calls;
  CUserRecord written;

 private:
  struct CFailure {
    DWORD status;
    int passTimes;
    int failTimes;
  };
  std::map<std::string, CFailure> failures;

  DWORD Record(const std::string& call, const std::string& server, const std::string& rest) {
    calls.push_back(call + " [" + server + "]" + (rest.empty() ? "" : " " + rest));
    const auto found = failures.find(call);
    if (found == failures.end() || found->second.failTimes == 0) return 0;
    CFailure& failure = found->second;
    if (failure.passTimes > 0) {
      --failure.passTimes;
      return 0;
    }
    if (failure.failTimes > 0) --failure.failTimes;
    return failure.status;
  }
};

class AccountNetUserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFile().OpenInDirectory(files.Folder(), 0, 1, "VNK-Pellucor", ".txt");
    SetNetApiBackend(&backend);
    files.WriteQuestionFile("DOMAIN_CONTROLLER corp dc7.corp\n");
    files.WriteRegistry(true);
    CDatabaseSettings::Instance().Initialise();
  }
  void TearDown() override {
    SetNetApiBackend(nullptr);
    SetCryptRandomSource(nullptr);
    LogFile().OpenInDirectory("", 0, 0, "VNK-Pellucor", ".txt");
  }

  int SetPassword(const std::string& domain, const std::string& password, const std::string& productValues = "") {
    files.WriteRegistry(true, productValues);
    backend.calls.clear();
    errorText = "untouched";
    return connection.SetPasswordNetUser(domain, "anna", password, errorText);
  }

  CServiceFiles files;
  CRecordingBackend backend;
  CPwdResetServer server{0};
  CPwdResetConnection connection{server};
  std::string errorText;
};

// The temporary password of a two-stage reset (its first write), from the
// recorded calls.
std::string TemporaryOf(const std::vector<std::string>& calls) {
  const std::string prefix = "set1003 [dc7.corp] anna ";
  for (const std::string& call : calls)
    if (call.rfind(prefix, 0) == 0) return call.substr(prefix.size());
  return "";
}

TEST_F(AccountNetUserTest, TwoStageResetSetsARandomTemporaryThenChangesFromIt) {
  // Absent, nonzero, or data longer than 4 bytes: two stages.
  for (const char* values : {"", "\"TwoStageReset\"=dword:00000001\r\n", "\"TwoStageReset\"=hex:00,00,00,00,00\r\n"}) {
    ASSERT_EQ(SetPassword("corp", "New-Passw0rd"), 1) << values;
    EXPECT_EQ(errorText, "untouched");
    const std::string temporary = TemporaryOf(backend.calls);
    EXPECT_TRUE(std::regex_match(temporary, std::regex("[0-9A-F]{4}(-[0-9A-F]{4}){7}"))) << temporary;
    // Whether the change can run is asked before anything is written.
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"ready [dc7.corp]", "set1003 [dc7.corp] anna " + temporary,
                                                       "change [dc7.corp] anna " + temporary + " New-Passw0rd",
                                                       "get3 [dc7.corp] anna", "set3 [dc7.corp] anna"}))
        << values;
  }
  ASSERT_EQ(SetPassword("corp", "New-Passw0rd"), 1);
  const std::string first = TemporaryOf(backend.calls);
  ASSERT_EQ(SetPassword("corp", "New-Passw0rd"), 1);
  EXPECT_NE(TemporaryOf(backend.calls), first);
}

TEST_F(AccountNetUserTest, SingleStageResetSetsTheNewPasswordAndChangesNothing) {
  // Zero as a number of any type, read at every request.
  for (const char* values : {"\"TwoStageReset\"=dword:00000000\r\n", "\"TwoStageReset\"=hex:00,00,00,00\r\n"}) {
    ASSERT_EQ(SetPassword("CORP", "New-Passw0rd", values), 1) << values;
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"set1003 [dc7.corp] anna New-Passw0rd",
                                                       "get3 [dc7.corp] anna", "set3 [dc7.corp] anna"}))
        << values;
  }
}

TEST_F(AccountNetUserTest, ResetClearsOnlyTheLockOutAndPreExpiresOnlyWhenAsked) {
  struct {
    const char* values;
    DWORD expired;
  } const cases[] = {
      {"", 0},
      {"\"PreExpirePassword\"=dword:00000000\r\n", 0},
      {"\"PreExpirePassword\"=dword:00000001\r\n", 1},
      {"\"PreExpirePassword\"=dword:00000001\r\n\"TwoStageReset\"=dword:00000000\r\n", 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(SetPassword("corp", "New-Passw0rd", c.values), 1) << c.values;
    // An administrator's disabling of the account stands.
    EXPECT_EQ(backend.written.flags, kReadFlags & ~UF_LOCKOUT) << c.values;
    EXPECT_EQ(backend.written.passwordExpired, c.expired) << c.values;
    EXPECT_EQ(backend.written.name, "anna");
  }
}

TEST_F(AccountNetUserTest, ADomainWithoutAControllerLineGoesToTheLocalComputer) {
  ASSERT_EQ(SetPassword("elsewhere", "New-Passw0rd", "\"TwoStageReset\"=dword:00000000\r\n"), 1);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"set1003 [] anna New-Passw0rd", "get3 [] anna", "set3 [] anna"}));
  backend.calls.clear();
  ASSERT_EQ(connection.UnlockAccountNetUser("elsewhere", "anna", errorText), 1);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"get3 [] anna", "set3 [] anna"}));
}

TEST_F(AccountNetUserTest, FailureBeforeAnyWriteIsTheStatusTextAndNothingAfterItRuns) {
  struct {
    const char* values;
    const char* call;
    DWORD status;
    std::size_t callsMade;
  } const cases[] = {
      {"", "set1003", NERR_UserNotFound, 2},
      // In one stage the rules refused the user's own new password.
      {"\"TwoStageReset\"=dword:00000000\r\n", "set1003", ERROR_PASSWORD_RESTRICTION, 1},
      {"\"TwoStageReset\"=dword:00000000\r\n", "set1003", NERR_PasswordTooShort, 1},
      // A code without a text.
      {"", "set1003", 2999, 2},
  };
  for (const auto& c : cases) {
    backend.FailNothing();
    backend.Fail(c.call, c.status);
    EXPECT_EQ(SetPassword("corp", "New-Passw0rd", c.values), 0) << c.call;
    EXPECT_EQ(errorText, CWin32ErrorText(c.status).text) << c.call;
    EXPECT_EQ(backend.calls.size(), c.callsMade) << c.call;
  }
  EXPECT_EQ(errorText, "Unknown error 2999");
}

TEST_F(AccountNetUserTest, TemporaryPasswordTheDomainRefusesIsNamedAndNothingAfterItRuns) {
  for (const DWORD status : {ERROR_PASSWORD_RESTRICTION, NERR_PasswordTooShort}) {
    backend.Fail("set1003", status);
    EXPECT_EQ(SetPassword("corp", "New-Passw0rd"), 0) << status;
    std::string reason = CWin32ErrorText(status).text;
    reason.pop_back();
    EXPECT_EQ(errorText, "The domain refused the two-stage reset's temporary password: " + reason +
                             " The password was not changed; the old one still works.");
    const std::string temporary = TemporaryOf(backend.calls);
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"ready [dc7.corp]", "set1003 [dc7.corp] anna " + temporary}));
    EXPECT_EQ(errorText.find(temporary), std::string::npos);
  }
}

TEST_F(AccountNetUserTest, FirstWriteCutOffMidwaySaysThePasswordMayHaveChanged) {
  for (const char* values : {"", "\"TwoStageReset\"=dword:00000000\r\n"}) {
    for (const DWORD status : {ERROR_SEM_TIMEOUT, ERROR_NETNAME_DELETED}) {
      backend.Fail("set1003", status);
      EXPECT_EQ(SetPassword("corp", "New-Passw0rd", values), 0) << status;
      std::string reason = CWin32ErrorText(status).text;
      reason.pop_back();
      EXPECT_EQ(errorText, reason + " The password may have been changed nonetheless: if the old one no longer works, "
                                    "reset the password again.");
      // Nothing after it.
      EXPECT_NE(backend.calls.back().rfind("set1003", 0), std::string::npos);
    }
  }
}

TEST_F(AccountNetUserTest, ChangeThatCouldNotRunWritesNothingAndSaysTheOldPasswordWorks) {
  for (const DWORD status : {ERROR_BAD_NETPATH, ERROR_LOGON_FAILURE}) {
    backend.Fail("ready", status);
    EXPECT_EQ(SetPassword("corp", "New-Passw0rd"), 0) << status;
    std::string reason = CWin32ErrorText(status).text;
    reason.pop_back();
    EXPECT_EQ(errorText, reason + " The password was not changed; the old one still works.");
    EXPECT_EQ(backend.calls, std::vector<std::string>{"ready [dc7.corp]"});
  }
  // In one stage there is no change to ask for.
  EXPECT_EQ(SetPassword("corp", "New-Passw0rd", "\"TwoStageReset\"=dword:00000000\r\n"), 1);
}

TEST_F(AccountNetUserTest, ChangeRefusedByTheDirectoryLeavesTheTemporaryAndSaysNeitherPasswordWorks) {
  for (const DWORD status : {ERROR_INVALID_PASSWORD, NERR_PasswordTooShort, ERROR_ACCOUNT_DISABLED}) {
    backend.Fail("change", status);
    EXPECT_EQ(SetPassword("corp", "New-Passw0rd"), 0) << status;
    std::string reason = CWin32ErrorText(status).text;
    reason.pop_back();
    EXPECT_EQ(errorText, reason + " Neither the old nor the new password works now; reset the password again.");
    // Neither a set of the new password nor the flags.
    EXPECT_EQ(backend.calls.size(), 3u) << status;
  }
}

TEST_F(AccountNetUserTest, ChangeBrokenOffAfterTheFirstWriteSetsTheNewPasswordInOneStage) {
  // The connection broke, timed out, or the directory account may not
  // make the change: nothing judged the new password.
  for (const DWORD status : {ERROR_BAD_NETPATH, ERROR_SEM_TIMEOUT, ERROR_ACCESS_DENIED, NERR_InternalError}) {
    backend.Fail("change", status);
    ASSERT_EQ(SetPassword("corp", "New-Passw0rd"), 1) << status;
    const std::string temporary = TemporaryOf(backend.calls);
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"ready [dc7.corp]", "set1003 [dc7.corp] anna " + temporary,
                                                       "change [dc7.corp] anna " + temporary + " New-Passw0rd",
                                                       "set1003 [dc7.corp] anna New-Passw0rd", "get3 [dc7.corp] anna",
                                                       "set3 [dc7.corp] anna"}))
        << status;
    std::string reason = CWin32ErrorText(status).text;
    reason.pop_back();
    EXPECT_EQ(errorText,
              "Password changed in one stage (the change from the temporary password failed: " + reason + ")");
  }

  // The direct set fails too: the temporary password stays, and the reply
  // says so, with the change's failure as the cause; a change cut off
  // midway may have gone through.
  const struct {
    DWORD change;
    const char* reply;
  } cases[] = {
      {ERROR_BAD_NETPATH,
       "The network path was not found. Neither the old nor the new password works now; reset the password again."},
      {ERROR_NETNAME_DELETED,
       "The specified network name is no longer available. The old password no longer works, and the new one only "
       "if the change went through: if it does not, reset the password again."},
  };
  for (const auto& c : cases) {
    backend.Fail("change", c.change);
    backend.Fail("set1003", ERROR_CAN_NOT_COMPLETE, -1, 1);
    EXPECT_EQ(SetPassword("corp", "New-Passw0rd"), 0);
    EXPECT_EQ(backend.calls.size(), 4u);
    EXPECT_EQ(errorText, c.reply);
  }
}

TEST_F(AccountNetUserTest, StateUpdateThatFailsLeavesThePasswordChangedAndNamesTheStep) {
  struct {
    const char* values;
    const char* call;
    DWORD status;
    const char* reply;
  } const cases[] = {
      {"", "get3", NERR_UserNotFound,
       "Password changed, but clearing a lock-out failed: The user name could not be found."},
      {"\"TwoStageReset\"=dword:00000000\r\n", "set3", ERROR_ACCESS_DENIED,
       "Password changed, but clearing a lock-out failed: Access is denied."},
      {"\"PreExpirePassword\"=dword:00000001\r\n", "set3", ERROR_BAD_NETPATH,
       "Password changed, but clearing a lock-out and marking it expired failed: The network path was not found."},
  };
  for (const auto& c : cases) {
    backend.FailNothing();
    backend.Fail(c.call, c.status);
    EXPECT_EQ(SetPassword("corp", "New-Passw0rd", c.values), 1) << c.call;
    EXPECT_EQ(errorText, c.reply);
  }
}

TEST_F(AccountNetUserTest, LockedOutAccountIsUnlockedBeforeTheChangeFromTheTemporaryIsMadeAgain) {
  backend.Fail("change", ERROR_ACCOUNT_LOCKED_OUT, 1);
  ASSERT_EQ(SetPassword("corp", "New-Passw0rd"), 1) << errorText;
  const std::string temporary = TemporaryOf(backend.calls);
  const std::string change = "change [dc7.corp] anna " + temporary + " New-Passw0rd";
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"ready [dc7.corp]", "set1003 [dc7.corp] anna " + temporary, change,
                                                     "get3 [dc7.corp] anna", "set3 [dc7.corp] anna", change,
                                                     "get3 [dc7.corp] anna", "set3 [dc7.corp] anna"}));
  EXPECT_EQ(backend.written.flags, kReadFlags & ~UF_LOCKOUT);

  // Still refused: that refusal is the answer, and the flags stay as the
  // unlock left them.
  backend.Fail("change", ERROR_ACCOUNT_LOCKED_OUT);
  EXPECT_EQ(SetPassword("corp", "New-Passw0rd"), 0);
  EXPECT_EQ(errorText, CWin32ErrorText(ERROR_ACCOUNT_LOCKED_OUT).text +
                           "Neither the old nor the new password works now; reset the password again.");
  EXPECT_EQ(backend.calls.size(), 6u);
}

TEST_F(AccountNetUserTest, NoRandomBytesNoResetAndTheCryptoApiSaysWhy) {
  SetCryptRandomSource([](void*, std::size_t) { return false; });
  EXPECT_EQ(SetPassword("corp", "New-Passw0rd"), 0);
  EXPECT_EQ(errorText, CWin32ErrorText(NTE_FAIL).text);
  EXPECT_EQ(errorText, "An internal error occurred. ");
  EXPECT_TRUE(backend.calls.empty());
  // A single-stage reset needs none.
  EXPECT_EQ(SetPassword("corp", "New-Passw0rd", "\"TwoStageReset\"=dword:00000000\r\n"), 1);
}

TEST_F(AccountNetUserTest, PasswordsGoThroughTheOneConversion) {
  // A byte that is not UTF-8 (0x80) becomes U+0080, which is C2 80 in UTF-8.
  ASSERT_EQ(SetPassword("corp", "Pa\x80ss-w\xc3\xb6rd1", "\"TwoStageReset\"=dword:00000000\r\n"), 1);
  ASSERT_FALSE(backend.calls.empty());
  EXPECT_EQ(backend.calls[0], "set1003 [dc7.corp] anna Pa\xc2\x80ss-w\xc3\xb6rd1");
}

TEST_F(AccountNetUserTest, UnlockClearsTheLockOutOnlyAndReportsARefusal) {
  ASSERT_EQ(connection.UnlockAccountNetUser("corp", "anna", errorText), 1);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"get3 [dc7.corp] anna", "set3 [dc7.corp] anna"}));
  EXPECT_EQ(backend.written.flags, kReadFlags & ~UF_LOCKOUT);
  EXPECT_EQ(backend.written.passwordExpired, 0u);

  for (const char* call : {"get3", "set3"}) {
    backend.FailNothing();
    backend.Fail(call, NERR_UserNotFound);
    errorText.clear();
    EXPECT_EQ(connection.UnlockAccountNetUser("corp", "anna", errorText), 0) << call;
    EXPECT_EQ(errorText, "The user name could not be found. ") << call;
  }
}

TEST(GetRandomBytes, FillsTheWholeBufferFromTheSystem) {
  std::vector<BYTE> first(1024, 0), second(1024, 0);
  std::string errorText;
  ASSERT_EQ(CPwdResetConnection::GetRandomBytes(first.data(), 1024, errorText), 1);
  ASSERT_EQ(CPwdResetConnection::GetRandomBytes(second.data(), 1024, errorText), 1);
  EXPECT_NE(first, second);
  // 1024 zero bytes from a working source: never in practice.
  EXPECT_NE(first, std::vector<BYTE>(1024, 0));
  EXPECT_TRUE(errorText.empty());
}

}  // namespace
