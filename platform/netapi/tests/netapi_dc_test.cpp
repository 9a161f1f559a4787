// The network-user calls against the fixture DC (run through dc_run.sh):
// what each call does to a real account, seen by logons over LDAP and by
// the account's attributes.
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/support/dc_directory.h"
#include "tests/support/dc_password_rules.h"
#include "tests/support/dc_test_users.h"
#include "platform/netapi/netapi.h"
#include "platform/base/text.h"

namespace {

class NetApiDcTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(DcSettings().address.empty()) << "run through dc_run.sh"; }

  // A new enabled account, its name unique to this file and run.
  std::string NewUser(const std::string& prefix, const std::string& password) {
    return users.New("na" + prefix.substr(0, 10), password);
  }

  static NET_API_STATUS SetPassword(LPCWSTR server, const std::string& user, const std::string& password) {
    std::u16string wide = Utf8ToUtf16(password);
    USER_INFO_1003 info{wide.data()};
    DWORD parmError = 0;
    return NetUserSetInfo(server, Utf8ToUtf16(user).c_str(), 1003, reinterpret_cast<LPBYTE>(&info), &parmError);
  }

  static NET_API_STATUS Change(LPCWSTR server, const std::string& user, const std::string& oldPassword,
                               const std::string& newPassword) {
    return NetUserChangePassword(server, Utf8ToUtf16(user).c_str(), Utf8ToUtf16(oldPassword).c_str(),
                                 Utf8ToUtf16(newPassword).c_str());
  }

  // Reads the level-3 record, lets `change` alter it, writes it back.
  template <class Change>
  static NET_API_STATUS Update(LPCWSTR server, const std::string& user, Change change) {
    LPBYTE buffer = nullptr;
    const std::u16string name = Utf8ToUtf16(user);
    NET_API_STATUS status = NetUserGetInfo(server, name.c_str(), 3, &buffer);
    if (status == NERR_Success) {
      change(*reinterpret_cast<USER_INFO_3*>(buffer));
      DWORD parmError = 0;
      status = NetUserSetInfo(server, name.c_str(), 3, buffer, &parmError);
    }
    NetApiBufferFree(buffer);
    return status;
  }

  static DWORD Flags(const std::string& user, DWORD* passwordExpired = nullptr) {
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetUserGetInfo(nullptr, Utf8ToUtf16(user).c_str(), 3, &buffer), NERR_Success);
    if (buffer == nullptr) return 0xFFFFFFFFu;
    const auto* record = reinterpret_cast<const USER_INFO_3*>(buffer);
    const DWORD flags = record->usri3_flags;
    if (passwordExpired != nullptr) *passwordExpired = record->usri3_password_expired;
    NetApiBufferFree(buffer);
    return flags;
  }

  CDcDirectory directory;
  CDcTestUsers users{directory};
};

TEST_F(NetApiDcTest, AdministratorsResetLetsOnlyTheNewPasswordLogOnWhateverTheServersForm) {
  const std::string fqdn = "\\\\" + DcSettings().fqdn;
  const std::u16string forms[] = {Utf8ToUtf16(fqdn), Utf8ToUtf16(DcSettings().fqdn), u""};
  int round = 0;
  for (const std::u16string& server : forms) {
    const std::string user = NewUser("reset", "Start-Passw0rd");
    // Each call names another server than the one before.
    const std::string fresh = "Fresh-Passw0rd-" + std::to_string(++round) + "\xc3\xa9";
    EXPECT_EQ(SetPassword(server.empty() ? nullptr : server.c_str(), user, fresh), NERR_Success)
        << Utf16ToUtf8(server);
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, fresh)) << Utf16ToUtf8(server);
    EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd")) << Utf16ToUtf8(server);
  }
}

// The DC's rules here: at least 8 characters.
constexpr char kDomainRules[] = "MIN_LENGTH 8\n";

TEST_F(NetApiDcTest, UsersOwnChangeNeedsTheRightOldPasswordAndAPasswordThePolicyTakes) {
  const CDcPasswordRules rules(kDomainRules);
  const std::string user = NewUser("change", "Start-Passw0rd");
  EXPECT_EQ(Change(nullptr, user, "Wrong-Passw0rd", "Other-Passw0rd"), ERROR_INVALID_PASSWORD);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
  EXPECT_EQ(Change(nullptr, user, "Start-Passw0rd", "ab"), NERR_PasswordTooShort);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));

  const std::u16string server = Utf8ToUtf16("\\\\" + DcSettings().fqdn);
  EXPECT_EQ(Change(server.c_str(), user, "Start-Passw0rd", "Chang3d-Passw\xc3\xb6rd"), NERR_Success);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Chang3d-Passw\xc3\xb6rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(NetApiDcTest, DomainPolicyRefusesAnAdministratorsResetToo) {
  const CDcPasswordRules rules(kDomainRules);
  const std::string user = NewUser("refuse", "Start-Passw0rd");
  EXPECT_EQ(SetPassword(nullptr, user, "ab"), ERROR_PASSWORD_RESTRICTION);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(NetApiDcTest, ChangeOfAPasswordThatMustBeChangedStillChecksTheOldOne) {
  const std::string user = NewUser("mustchg", "Start-Passw0rd");
  ASSERT_TRUE(directory.SetAttribute(user, "pwdLastSet", "0")) << directory.lastError;
  EXPECT_EQ(Change(nullptr, user, "Wrong-Passw0rd", "Other-Passw0rd"), ERROR_INVALID_PASSWORD);
  EXPECT_EQ(Change(nullptr, user, "Start-Passw0rd", "Other-Passw0rd"), NERR_Success);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Other-Passw0rd"));
}

TEST_F(NetApiDcTest, LockOutShowsInTheRecordAndWritingItBackClearedUnlocks) {
  const std::string user = NewUser("lock", "Start-Passw0rd");
  EXPECT_EQ(Flags(user) & UF_LOCKOUT, 0u);
  CDcDirectory::FailLogOns(user);
  ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
  EXPECT_EQ(Flags(user) & UF_LOCKOUT, UF_LOCKOUT);
  EXPECT_EQ(Change(nullptr, user, "Start-Passw0rd", "Other-Passw0rd"), ERROR_ACCOUNT_LOCKED_OUT);

  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3& r) { r.usri3_flags &= ~UF_LOCKOUT; }), NERR_Success);
  EXPECT_FALSE(directory.ReadAccount(user).LockedOut());
  EXPECT_EQ(Flags(user) & UF_LOCKOUT, 0u);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(NetApiDcTest, DisabledFlagRoundTripsAndAnUntouchedRecordChangesNothing) {
  const std::string user = NewUser("disable", "Start-Passw0rd");
  const CDcAccount before = directory.ReadAccount(user);
  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3&) {}), NERR_Success);
  const CDcAccount same = directory.ReadAccount(user);
  EXPECT_EQ(same.userAccountControl, before.userAccountControl);
  EXPECT_EQ(same.pwdLastSet, before.pwdLastSet);

  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3& r) { r.usri3_flags |= UF_ACCOUNTDISABLE; }), NERR_Success);
  EXPECT_TRUE(directory.ReadAccount(user).Disabled());
  EXPECT_EQ(Flags(user) & UF_ACCOUNTDISABLE, UF_ACCOUNTDISABLE);
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
  // Read back and written as read, a disabled account stays disabled.
  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3&) {}), NERR_Success);
  EXPECT_TRUE(directory.ReadAccount(user).Disabled());

  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3& r) { r.usri3_flags &= ~UF_ACCOUNTDISABLE; }), NERR_Success);
  EXPECT_FALSE(directory.ReadAccount(user).Disabled());
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
}

TEST_F(NetApiDcTest, PasswordExpiredMakesTheUserChangeAtTheNextLogon) {
  const std::string user = NewUser("expire", "Start-Passw0rd");
  DWORD expired = 9;
  Flags(user, &expired);
  EXPECT_EQ(expired, 0u);
  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3& r) { r.usri3_password_expired = 1; }), NERR_Success);
  EXPECT_TRUE(directory.ReadAccount(user).MustChangePassword());
  Flags(user, &expired);
  EXPECT_EQ(expired, 1u);
  // Written back as read, it stays expired.
  EXPECT_EQ(Update(nullptr, user, [](USER_INFO_3& r) { r.usri3_flags &= ~UF_LOCKOUT; }), NERR_Success);
  EXPECT_TRUE(directory.ReadAccount(user).MustChangePassword());
}

TEST_F(NetApiDcTest, UnknownUserIsNotFoundByEveryCall) {
  const std::u16string ghost = Utf8ToUtf16("naghost" + std::to_string(getpid() % 100000));
  LPBYTE buffer = nullptr;
  EXPECT_EQ(NetUserGetInfo(nullptr, ghost.c_str(), 3, &buffer), NERR_UserNotFound);
  EXPECT_EQ(buffer, nullptr);
  USER_INFO_3 record{};
  EXPECT_EQ(NetUserSetInfo(nullptr, ghost.c_str(), 3, reinterpret_cast<LPBYTE>(&record), nullptr), NERR_UserNotFound);
  EXPECT_EQ(NetUserChangePassword(nullptr, ghost.c_str(), u"Old-Passw0rd", u"New-Passw0rd"), NERR_UserNotFound);
  // A filter's special characters are the name's own.
  EXPECT_EQ(NetUserChangePassword(nullptr, u"*", u"Old-Passw0rd", u"New-Passw0rd"), NERR_UserNotFound);
}

TEST_F(NetApiDcTest, PrimaryControllerOfTheDomainByName) {
  for (const char* domain : {"", "TEST"}) {
    const std::u16string wideDomain = Utf8ToUtf16(*domain == '\0' ? "" : DcSettings().domain);
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetGetDCName(nullptr, wideDomain.empty() ? nullptr : wideDomain.c_str(), &buffer), NERR_Success)
        << domain;
    const std::string name = Utf16ToUtf8(reinterpret_cast<LPCWSTR>(buffer));
    NetApiBufferFree(buffer);
    EXPECT_TRUE(name == "\\\\DC1" || name == "\\\\dc1" || name == "\\\\" + DcSettings().fqdn) << name;
  }
}

}  // namespace
