// The directory paths while the fixture DC hangs (its processes stopped):
// through Pellucor's ADSI path every request is answered before its client
// gives up and a request that waits for the DC holds up no other; on the
// ADSI path and on the LDAP client's, a password change that went out
// before the DC stopped answering is reported as one that may or may not
// have been made. Run alone (RUN_SERIAL): the DC answers no other test
// meanwhile.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/ldap_password_client.h"
#include "tests/support/dc_service_fixture.h"
#include "tests/support/frozen_dc.h"

namespace {

using Clock = std::chrono::steady_clock;

// A request on a connection of its own, looked up and sent now; its reply
// is read later, within the client's limit counted from the send, as a
// client on the logon screen counts it.
class CSentRequest {
 public:
  CSentRequest(std::uint16_t port, const std::string& domain, const std::string& user, std::uint32_t code,
               const std::string& password = "")
      : client(port) {
    PwdResetRecord record{};
    if (!client.Lookup(domain, user, record) || !ReplySucceeded(record)) {
      ADD_FAILURE() << "lookup of " << domain << "\\" << user << ": " << ReplyText(record);
      return;
    }
    BuildRequest(record, code, domain, user, password);
    std::string message;
    sent = SendRequest(client.Socket(), record, message) == 1;
    EXPECT_TRUE(sent) << message;
    sentAt = Clock::now();
  }

  // The reply, or a failure of the test when none came within the limit.
  PwdResetRecord Reply() {
    PwdResetRecord reply{};
    if (!sent) return reply;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(sentAt + REPLY_TIME_LIMIT - Clock::now());
    std::string message;
    EXPECT_EQ(ReceiveReply(client.Socket(), reply, message, std::max(left, std::chrono::milliseconds(0))), 1)
        << "no reply within the client's limit: " << message;
    return reply;
  }

 private:
  CClient client;
  bool sent = false;
  Clock::time_point sentAt{};
};

// A named pipe at the DC's hold point (hold-check in its system folder,
// tests/samba-dc): the DC's check password script, run for every password
// the DC is asked to set, waits on it until the test lets it go. The rules
// file itself must stay a regular file: the filter refuses anything else.
class CBlockedPasswordFilter {
 public:
  CBlockedPasswordFilter() {
    const char* folder = std::getenv("DC_SYSTEM_DIR");
    if (folder == nullptr) return;
    path = std::string(folder) + "/hold-check";
    std::remove(path.c_str());
    made = mkfifo(path.c_str(), 0644) == 0;
  }

  ~CBlockedPasswordFilter() {
    if (!made) return;
    // A script still waiting reads the end of the pipe and goes on.
    if (writer < 0) writer = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    std::remove(path.c_str());
    if (writer >= 0) close(writer);
  }

  CBlockedPasswordFilter(const CBlockedPasswordFilter&) = delete;
  CBlockedPasswordFilter& operator=(const CBlockedPasswordFilter&) = delete;

  bool Made() const { return made; }

  // Whether the filter has opened the pipe (the DC is judging a password)
  // within `limit`.
  bool FilterWaiting(std::chrono::seconds limit) {
    const Clock::time_point until = Clock::now() + limit;
    while (Clock::now() < until) {
      // Opening the writing end without waiting succeeds once a reader has it.
      writer = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (writer >= 0) return true;
      if (errno != ENXIO) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  std::string path;
  bool made = false;
  int writer = -1;
};

class DirectoryOutageTest : public CDcServiceTest {
 protected:
  static std::string Container(const std::string& scheme) {
    return scheme + DcSettings().fqdn + "/CN=Users," + DcSettings().baseDn;
  }
  // The same users seen through two directories: one bound with the
  // service's Kerberos ticket, one with the administrator over ldaps.
  static std::string DirectoryLines() {
    const CDcSettings& dc = DcSettings();
    return "LDAP_DIRECTORY " + kKerberos + " \"" + Container("LDAP://") + "\" sAMAccountName\n" +
           "LDAP_DIRECTORY " + kOverLdaps + " \"" + Container("LDAPS://") + "\" sAMAccountName " + dc.admin + "@" +
           dc.dnsDomain + " \"" + dc.adminPassword + "\"\n";
  }
  static std::string QuestionLine(const std::string& domain, const std::string& user) {
    return domain + "\\" + user + "\tFavourite colour?\t" + kAnswer + "\n";
  }
  void WriteQuestionsFor(const std::vector<std::string>& users) {
    std::string text;
    for (const std::string& user : users) text += QuestionLine(kKerberos, user) + QuestionLine(kOverLdaps, user);
    files.WriteQuestionFile(text + DirectoryLines());
  }

  static inline const std::string kKerberos = "KERBEROS";
  static inline const std::string kOverLdaps = "OVERLDAPS";
};

TEST_F(DirectoryOutageTest, EveryRequestIsAnsweredWithinTheClientsLimitAndNoneWaitsForAnother) {
  const std::string first = NewUser("frozena", "Start-Passw0rd");
  const std::string second = NewUser("frozenb", "Start-Passw0rd");
  WriteQuestionsFor({first, second});
  ASSERT_NO_FATAL_FAILURE(StartService());
  // The service's ticket for the directory is fetched now, while the DC
  // answers: once frozen, the bind itself is what waits.
  PwdResetRecord reply = LookUpAndUnlock(kKerberos, first);
  ASSERT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);

  std::vector<std::unique_ptr<CSentRequest>> requests;
  {
    CFrozenDc frozen;
    ASSERT_TRUE(frozen.Frozen()) << "no DC processes found by DC_PID_FILE";
    // Three requests wait for the DC at once: over ldaps the handshake
    // hangs, with Kerberos the bind. One after another they would take
    // longer than a client waits.
    requests.push_back(std::make_unique<CSentRequest>(service->Port(), kKerberos, first, REQUEST_SET_PASSWORD,
                                                      "Fresh-Passw0rd"));
    requests.push_back(std::make_unique<CSentRequest>(service->Port(), kOverLdaps, second, REQUEST_SET_PASSWORD,
                                                      "Fresh-Passw0rd"));
    requests.push_back(std::make_unique<CSentRequest>(service->Port(), kKerberos, second, REQUEST_UNLOCK_ACCOUNT));
    // Meanwhile a lookup on another connection is served.
    CClient other(service->Port());
    ASSERT_TRUE(other.Lookup(kOverLdaps, first, reply));
    EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);

    for (const auto& request : requests) {
      reply = request->Reply();
      EXPECT_FALSE(ReplySucceeded(reply));
      EXPECT_NE(ReplyText(reply).find("did not answer within"), std::string::npos) << ReplyText(reply);
    }
  }
  // Nothing was sent that could change a password, and the service goes on
  // once the DC does.
  EXPECT_TRUE(CDcDirectory::CanLogOn(first, "Start-Passw0rd"));
  EXPECT_TRUE(CDcDirectory::CanLogOn(second, "Start-Passw0rd"));
  reply = LookUpAndSetPassword(kOverLdaps, first, "Later-Passw0rd");
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_TRUE(CDcDirectory::CanLogOn(first, "Later-Passw0rd"));
}

TEST_F(DirectoryOutageTest, AnAdsiChangeSentBeforeTheDcStoppedIsOfUnknownOutcome) {
  const std::string user = NewUser("frozenc", "Start-Passw0rd");
  WriteQuestionsFor({user});
  ASSERT_NO_FATAL_FAILURE(StartService());

  {
    CBlockedPasswordFilter filter;
    ASSERT_TRUE(filter.Made()) << "cannot put a pipe at the DC's hold point";
    CSentRequest change(service->Port(), kOverLdaps, user, REQUEST_SET_PASSWORD, "Fresh-Passw0rd");
    // The DC has the new password in hand: the change went out.
    ASSERT_TRUE(filter.FilterWaiting(std::chrono::seconds(60))) << "the DC never judged the password";
    CFrozenDc frozen;
    ASSERT_TRUE(frozen.Frozen()) << "no DC processes found by DC_PID_FILE";
    PwdResetRecord reply{};
    CClient other(service->Port());
    ASSERT_TRUE(other.Lookup(kKerberos, user, reply));
    EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);

    reply = change.Reply();
    EXPECT_FALSE(ReplySucceeded(reply));
    const std::string text = ReplyText(reply);
    EXPECT_EQ(text.rfind("The password may or may not have changed: ", 0), 0u) << text;
    EXPECT_NE(text.find("whether it was made is unknown"), std::string::npos) << text;
    EXPECT_EQ(text.find("Fresh-Passw0rd"), std::string::npos);
  }
  // Whatever the DC made of it once it went on, the account is on a password
  // someone knows.
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd") || CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
}

TEST_F(DirectoryOutageTest, TheLdapClientsChangeSentBeforeTheDcStoppedIsOfUnknownOutcome) {
  const std::string user = NewUser("frozend", "Start-Passw0rd");
  int done = -1;
  std::string errorText;
  {
    CBlockedPasswordFilter filter;
    ASSERT_TRUE(filter.Made()) << "cannot put a pipe at the DC's hold point";
    // The reset as request handling makes it for an enforceable domain,
    // with this process's Kerberos ticket.
    std::thread reset([&] {
      CLdapPasswordClient client(DcSettings().fqdn, "sAMAccountName");
      done = client.ResetPassword(user, "Fresh-Passw0rd");
      errorText = client.errorText;
    });
    const bool sent = filter.FilterWaiting(std::chrono::seconds(60));
    {
      CFrozenDc frozen;
      EXPECT_TRUE(frozen.Frozen()) << "no DC processes found by DC_PID_FILE";
      reset.join();
    }
    ASSERT_TRUE(sent) << "the DC never judged the password: " << errorText;
  }
  EXPECT_EQ(done, 0);
  EXPECT_EQ(errorText.rfind("The password may or may not have changed: ", 0), 0u) << errorText;
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd") || CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
}

}  // namespace
