// The network-user calls' Windows shapes over the backend seam (a recording
// backend: the shapes are this layer's own, whatever answers them), the
// unicodePwd value, and the CryptoAPI's random bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/format_message.h"
#include "platform/netapi/netapi.h"
#include "platform/netapi/netapi_backend.h"
#include "platform/ldap/unicode_pwd.h"
#include "platform/cryptoapi/wincrypt.h"

namespace {

class CRecordingBackend : public INetApiBackend {
 public:
  DWORD UserGetGroups(const std::string&, const std::string&, std::vector<std::string>&) override { return 50; }
  DWORD UserGetLocalGroups(const std::string&, const std::string&, bool, std::vector<std::string>&) override {
    return 50;
  }
  DWORD UserSetPassword(const std::string& server, const std::string& user, const std::string& password,
                        DWORD& parmError) override {
    calls.push_back("set1003 " + server + " " + user + " " + password);
    parmError = refusedField;
    return status;
  }
  DWORD UserGetInfo(const std::string& server, const std::string& user, CUserRecord& record) override {
    calls.push_back("get3 " + server + " " + user);
    record = answer;
    return status;
  }
  DWORD UserSetInfo(const std::string& server, const std::string& user, const CUserRecord& record,
                    DWORD&) override {
    calls.push_back("set3 " + server + " " + user);
    written = record;
    return status;
  }
  DWORD UserChangePassword(const std::string& server, const std::string& user, const std::string& oldPassword,
                           const std::string& newPassword) override {
    calls.push_back("change " + server + " " + user + " " + oldPassword + " " + newPassword);
    return status;
  }
  DWORD GetPrimaryDcName(const std::string& server, const std::string& domain, std::string& name) override {
    calls.push_back("getdc " + server + " " + domain);
    name = "\\\\dc1";
    return status;
  }

  DWORD status = 0;
  DWORD refusedField = 0;
  CUserRecord answer;
  CUserRecord written;
  std::vector<std::string> calls;
};

class NetUserTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNetApiBackend(&backend); }
  void TearDown() override { SetNetApiBackend(nullptr); }
  CRecordingBackend backend;
};

std::u16string Wide(LPCWSTR text) { return text == nullptr ? u"<null>" : std::u16string(text); }

TEST_F(NetUserTest, LevelThreeRecordComesInOneBufferAndGoesBackAsRead) {
  backend.answer.name = "k\xc3\xa4the";
  backend.answer.fullName = "K\xc3\xa4the Kruse";
  backend.answer.flags = UF_NORMAL_ACCOUNT | UF_LOCKOUT | UF_ACCOUNTDISABLE;
  backend.answer.passwordExpired = 1;
  backend.answer.userId = 1107;
  backend.answer.primaryGroupId = 513;
  backend.answer.logonHours.assign(21, 0xff);
  backend.answer.logonHours[20] = 0x7f;

  LPBYTE buffer = nullptr;
  ASSERT_EQ(NetUserGetInfo(u"\\\\dc1", u"k\u00e4the", 3, &buffer), NERR_Success);
  ASSERT_NE(buffer, nullptr);
  auto* record = reinterpret_cast<USER_INFO_3*>(buffer);
  EXPECT_EQ(Wide(record->usri3_name), u"k\u00e4the");
  EXPECT_EQ(Wide(record->usri3_full_name), u"K\u00e4the Kruse");
  EXPECT_EQ(Wide(record->usri3_comment), u"");
  EXPECT_EQ(record->usri3_password, nullptr);
  EXPECT_EQ(record->usri3_flags, UF_NORMAL_ACCOUNT | UF_LOCKOUT | UF_ACCOUNTDISABLE);
  EXPECT_EQ(record->usri3_password_expired, 1u);
  EXPECT_EQ(record->usri3_user_id, 1107u);
  EXPECT_EQ(record->usri3_primary_group_id, 513u);
  ASSERT_NE(record->usri3_logon_hours, nullptr);
  EXPECT_EQ(record->usri3_logon_hours[20], 0x7f);

  record->usri3_flags &= ~UF_LOCKOUT;
  DWORD parmError = 99;
  EXPECT_EQ(NetUserSetInfo(u"\\\\dc1", u"k\u00e4the", 3, buffer, &parmError), NERR_Success);
  EXPECT_EQ(parmError, 0u);
  EXPECT_EQ(NetApiBufferFree(buffer), NERR_Success);
  EXPECT_EQ(backend.written.name, "k\xc3\xa4the");
  EXPECT_EQ(backend.written.flags, UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
  EXPECT_EQ(backend.written.passwordExpired, 1u);
  EXPECT_EQ(backend.written.logonHours, backend.answer.logonHours);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"get3 \\\\dc1 k\xc3\xa4the", "set3 \\\\dc1 k\xc3\xa4the"}));
}

TEST_F(NetUserTest, FailuresLeaveNoBufferAndNothingReachesTheBackendForABadCall) {
  backend.status = NERR_UserNotFound;
  LPBYTE buffer = reinterpret_cast<LPBYTE>(&backend);
  EXPECT_EQ(NetUserGetInfo(nullptr, u"ghost", 3, &buffer), NERR_UserNotFound);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(NetGetDCName(nullptr, nullptr, &buffer), NERR_UserNotFound);
  EXPECT_EQ(buffer, nullptr);
  backend.calls.clear();

  USER_INFO_1003 info{const_cast<LPWSTR>(u"x")};
  struct {
    const char* what;
    NET_API_STATUS status;
    NET_API_STATUS expected;
  } const cases[] = {
      {"get at level 1", NetUserGetInfo(nullptr, u"u", 1, &buffer), ERROR_INVALID_LEVEL},
      {"get without a user", NetUserGetInfo(nullptr, nullptr, 3, &buffer), ERROR_INVALID_PARAMETER},
      {"get without a buffer", NetUserGetInfo(nullptr, u"u", 3, nullptr), ERROR_INVALID_PARAMETER},
      {"set at level 1008", NetUserSetInfo(nullptr, u"u", 1008, reinterpret_cast<LPBYTE>(&info), nullptr),
       ERROR_INVALID_LEVEL},
      {"set without a record", NetUserSetInfo(nullptr, u"u", 1003, nullptr, nullptr), ERROR_INVALID_PARAMETER},
      {"change without an old password", NetUserChangePassword(nullptr, u"u", nullptr, u"n"),
       ERROR_INVALID_PARAMETER},
      {"change without a user", NetUserChangePassword(nullptr, nullptr, u"o", u"n"), ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) EXPECT_EQ(c.status, c.expected) << c.what;
  EXPECT_TRUE(backend.calls.empty());
}

TEST_F(NetUserTest, PasswordsReachTheBackendAsUtf8AndTheRefusedFieldComesBack) {
  // U+0080 is what a password byte 0x80 becomes in the one conversion.
  USER_INFO_1003 info{const_cast<LPWSTR>(u"pa\u0080\u00dfword")};
  backend.refusedField = 1003;
  DWORD parmError = 0;
  EXPECT_EQ(NetUserSetInfo(u"dc1", u"anna", 1003, reinterpret_cast<LPBYTE>(&info), &parmError), NERR_Success);
  EXPECT_EQ(parmError, 1003u);
  EXPECT_EQ(NetUserChangePassword(nullptr, u"anna", u"old\u0080", u"new"), NERR_Success);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"set1003 dc1 anna pa\xc2\x80\xc3\x9fword",
                                                     "change  anna old\xc2\x80 new"}));
}

TEST_F(NetUserTest, PrimaryControllerNameComesAsWideText) {
  LPBYTE buffer = nullptr;
  ASSERT_EQ(NetGetDCName(u"dc1", u"TEST", &buffer), NERR_Success);
  EXPECT_EQ(Wide(reinterpret_cast<LPCWSTR>(buffer)), u"\\\\dc1");
  NetApiBufferFree(buffer);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"getdc dc1 TEST"}));
}

TEST(NetUserWithoutAController, NothingIsAskedWhenNoServerIsNamedOrConfigured) {
  // No registry file: no LocalDomainController. libnetapi would turn to
  // this machine and prompt for a password.
  const char* const saved = std::getenv("VARNOK_REGISTRY");
  const std::string before = saved != nullptr ? saved : "";
  setenv("VARNOK_REGISTRY", (::testing::TempDir() + "/no-such-registry.reg").c_str(), 1);
  USER_INFO_1003 info{const_cast<LPWSTR>(u"New-Passw0rd")};
  USER_INFO_3 record{};
  LPBYTE buffer = nullptr;
  EXPECT_EQ(NetUserSetInfo(nullptr, u"anna", 1003, reinterpret_cast<LPBYTE>(&info), nullptr), ERROR_BAD_NETPATH);
  EXPECT_EQ(NetUserSetInfo(nullptr, u"anna", 3, reinterpret_cast<LPBYTE>(&record), nullptr), ERROR_BAD_NETPATH);
  EXPECT_EQ(NetUserGetInfo(nullptr, u"anna", 3, &buffer), ERROR_BAD_NETPATH);
  EXPECT_EQ(NetUserChangePassword(nullptr, u"anna", u"Old-Passw0rd", u"New-Passw0rd"), ERROR_BAD_NETPATH);
  EXPECT_EQ(NetUserChangePasswordReady(nullptr), ERROR_BAD_NETPATH);
  EXPECT_EQ(NetGetDCName(nullptr, u"TEST", &buffer), ERROR_BAD_NETPATH);
  EXPECT_EQ(buffer, nullptr);
  if (saved != nullptr) {
    setenv("VARNOK_REGISTRY", before.c_str(), 1);
  } else {
    unsetenv("VARNOK_REGISTRY");
  }
}

TEST(NetApiStatusTexts, WhatTheCallsAnswerForAControllerOutOfReachHasItsSystemText) {
  // libnetapi's answers for a connection that broke, timed out, or could
  // not be made, and the layer's own for a call that waited too long.
  for (const DWORD code : {ERROR_BAD_NETPATH, ERROR_UNEXP_NET_ERR, ERROR_NETNAME_DELETED, ERROR_SEM_TIMEOUT,
                           ERROR_CAN_NOT_COMPLETE, ERROR_CONNECTION_ABORTED, ERROR_TIMEOUT, RPC_S_SERVER_UNAVAILABLE,
                           NERR_DestNotFound}) {
    char text[512] = {};
    EXPECT_NE(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, sizeof text, nullptr), 0u) << code;
  }
}

TEST(UnicodePwd, QuotedPasswordAsLittleEndianCodeUnits) {
  std::string bytes;
  ASSERT_TRUE(UnicodePwdValue("a\x80\xc3\xa9\xf0\x9f\x94\x91", bytes));
  const unsigned char expected[] = {'"', 0, 'a', 0, 0x80, 0, 0xe9, 0, 0x3d, 0xd8, 0x11, 0xdd, '"', 0};
  EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
}

TEST(CryptoApi, RandomBytesFromAVerifyContext) {
  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT));
  std::vector<BYTE> first(1024), second(1024);
  ASSERT_TRUE(CryptGenRandom(provider, 1024, first.data()));
  ASSERT_TRUE(CryptGenRandom(provider, 1024, second.data()));
  EXPECT_NE(first, second);
  EXPECT_NE(first, std::vector<BYTE>(1024, 0));
  EXPECT_TRUE(CryptReleaseContext(provider, 0));
}

TEST(CryptoApi, RefusalsAnswerFalseWithTheirError) {
  HCRYPTPROV provider = 0;
  BYTE byte = 0;
  const struct {
    const char* what;
    std::function<BOOL()> call;
    DWORD error;
  } cases[] = {
      {"another provider type", [&] { return CryptAcquireContextA(&provider, nullptr, nullptr, 24, CRYPT_VERIFYCONTEXT); },
       NTE_BAD_PROV_TYPE},
      {"a key container",
       [&] { return CryptAcquireContextA(&provider, "keys", nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT); },
       NTE_BAD_FLAGS},
      {"without CRYPT_VERIFYCONTEXT", [&] { return CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, 0); },
       NTE_BAD_FLAGS},
      {"no context", [&] { return CryptGenRandom(0, 1, &byte); }, NTE_BAD_UID},
      {"release of no context", [&] { return CryptReleaseContext(12345, 0); }, NTE_BAD_UID},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  EXPECT_EQ(provider, 0u);
}

TEST(CryptoApi, ASourceWithNothingToGiveIsAFailureNotWeakBytes) {
  SetCryptRandomSource([](void*, std::size_t) { return false; });
  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  BYTE bytes[16] = {};
  SetLastError(0);
  EXPECT_FALSE(CryptGenRandom(provider, sizeof bytes, bytes));
  EXPECT_EQ(GetLastError(), NTE_FAIL);
  SetCryptRandomSource(nullptr);
  CryptReleaseContext(provider, 0);
}

}  // namespace
