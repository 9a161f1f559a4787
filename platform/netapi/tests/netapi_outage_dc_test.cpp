// The network-user calls when the fixture DC goes away and comes back
// within one process, and when the directory account's credentials file is
// refused (run through dc_run.sh, holding the DC's resource lock).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/dc_directory.h"
#include "tests/support/dc_outage.h"
#include "platform/base/format_message.h"
#include "platform/base/text.h"
#include "platform/netapi/netapi.h"

namespace {

NET_API_STATUS SetPassword(const std::string& user, const std::string& password) {
  std::u16string wide = Utf8ToUtf16(password);
  USER_INFO_1003 info{wide.data()};
  DWORD parmError = 0;
  return NetUserSetInfo(nullptr, Utf8ToUtf16(user).c_str(), 1003, reinterpret_cast<LPBYTE>(&info), &parmError);
}

NET_API_STATUS GetInfo(const std::string& user) {
  LPBYTE buffer = nullptr;
  const NET_API_STATUS status = NetUserGetInfo(nullptr, Utf8ToUtf16(user).c_str(), 3, &buffer);
  NetApiBufferFree(buffer);
  return status;
}

// Standard input at its end while it lives.
class CEmptyInput {
 public:
  CEmptyInput() : m_saved(::dup(0)) {
    int ends[2];
    if (::pipe(ends) == 0) {
      ::close(ends[1]);
      ::dup2(ends[0], 0);
      ::close(ends[0]);
    }
  }
  ~CEmptyInput() {
    if (m_saved >= 0) ::dup2(m_saved, 0);
    if (m_saved >= 0) ::close(m_saved);
  }
  CEmptyInput(const CEmptyInput&) = delete;
  CEmptyInput& operator=(const CEmptyInput&) = delete;

 private:
  int m_saved;
};

bool HasSystemText(DWORD code) {
  char text[512] = {};
  return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, sizeof text, nullptr) != 0;
}

class NetApiOutageDcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(DcSettings().address.empty()) << "run through dc_run.sh";
    user = "naout" + std::to_string(getpid() % 100000);
    ASSERT_TRUE(directory.CreateUser(user, "Start-Passw0rd")) << directory.lastError;
  }
  void TearDown() override { directory.DeleteUser(user); }

  CDcDirectory directory;
  std::string user;
};

TEST_F(NetApiOutageDcTest, CallsRecoverWhenTheControllerComesBack) {
  // A connection that libnetapi keeps for the next call.
  ASSERT_EQ(SetPassword(user, "First-Passw0rd"), NERR_Success);
  ASSERT_EQ(GetInfo(user), NERR_Success);
  {
    CDcOutage outage;
    ASSERT_TRUE(outage.Halted()) << outage.lastError;
    // Failures, each with the text of what went wrong.
    for (const NET_API_STATUS status : {SetPassword(user, "Lost-Passw0rd"), GetInfo(user),
                                        NetUserChangePasswordReady(nullptr)}) {
      EXPECT_NE(status, NERR_Success);
      EXPECT_TRUE(HasSystemText(status)) << status;
    }
    ASSERT_TRUE(outage.End()) << outage.lastError;
  }
  // The first calls after the restart already succeed.
  EXPECT_EQ(GetInfo(user), NERR_Success);
  EXPECT_EQ(SetPassword(user, "Second-Passw0rd"), NERR_Success);
  EXPECT_EQ(NetUserChangePasswordReady(nullptr), NERR_Success);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Second-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "First-Passw0rd"));
}

TEST_F(NetApiOutageDcTest, CredentialsFileOthersMayReadIsRefusedOnceAndTheTicketServes) {
  // The fixture's credentials file, copied with mode 0640, in a registry
  // file of this test's own.
  const std::string folder = ::testing::TempDir() + "/netapi-credentials-" + std::to_string(getpid());
  std::filesystem::create_directories(folder);
  const std::string credentials = folder + "/credentials";
  std::filesystem::copy_file(std::string(std::getenv("DC_WORKDIR")) + "/credentials", credentials,
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_EQ(::chmod(credentials.c_str(), 0640), 0);
  const std::string registry = folder + "/registry.reg";
  std::ofstream(registry) << "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Platform]\r\n"
                             "\"LocalDomainController\"=\"" << DcSettings().fqdn << "\"\r\n"
                             "\"CredentialsFile\"=\"" << credentials << "\"\r\n";
  const std::string dcRegistry = std::getenv("VARNOK_REGISTRY");
  ::setenv("VARNOK_REGISTRY", registry.c_str(), 1);

  // Standard input at its end: a prompt for a password would show in the
  // output rather than wait for an answer.
  const CEmptyInput input;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  // libnetapi (the user record, the password) and LDAP (the change's
  // session) run with the process's Kerberos ticket instead.
  EXPECT_EQ(GetInfo(user), NERR_Success);
  EXPECT_EQ(SetPassword(user, "Ticket-Passw0rd"), NERR_Success);
  EXPECT_EQ(NetUserChangePasswordReady(nullptr), NERR_Success);
  EXPECT_EQ(GetInfo(user), NERR_Success);
  const std::string said = ::testing::internal::GetCapturedStderr() + ::testing::internal::GetCapturedStdout();
  ::setenv("VARNOK_REGISTRY", dcRegistry.c_str(), 1);
  std::filesystem::remove_all(folder);
  EXPECT_EQ(said.find("Password for"), std::string::npos) << said;

  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Ticket-Passw0rd"));
  const std::string line = "directory settings: CredentialsFile " + credentials +
                           " refused: it has mode 0640: group and others may read or write it; using the process's "
                           "Kerberos credentials\n";
  EXPECT_NE(said.find(line), std::string::npos) << said;
  EXPECT_EQ(said.find(line), said.rfind(line)) << said;
  EXPECT_EQ(said.find(DcSettings().adminPassword), std::string::npos);
}

}  // namespace
