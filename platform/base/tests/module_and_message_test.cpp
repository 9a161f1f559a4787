// The program's own path and the system message texts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <thread>

#include "platform/base/certificate_failure.h"
#include "platform/base/format_message.h"
#include "platform/base/last_error.h"
#include "platform/base/module_file_name.h"

namespace {

std::string ExePath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
  return std::string(path, static_cast<std::size_t>(length));
}

TEST(GetModuleFileName, GivesTheProgramPath) {
  char buffer[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  EXPECT_EQ(std::string(buffer), ExePath());
  EXPECT_EQ(length, ExePath().size());
}

TEST(GetModuleFileName, CutsAPathThatDoesNotFit) {
  char buffer[8];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof(buffer)), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(buffer), ExePath().substr(0, 7));
}

TEST(GetModuleFileName, KnowsNoOtherModule) {
  char buffer[16];
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(buffer), buffer, sizeof(buffer)), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FormatMessage, SystemTextEndsWithALineBreak) {
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      ERROR_ACCESS_DENIED, 0, buffer, 511, nullptr);
  EXPECT_EQ(std::string(buffer), "Access is denied.\r\n");
  EXPECT_EQ(length, 19u);
}

TEST(FormatMessage, FailsForUnknownCodesAndSmallBuffers) {
  char buffer[8] = {};
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 123456, 0, buffer, sizeof(buffer), nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, sizeof(buffer),
                           nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(FormatMessageA(0, nullptr, ERROR_ACCESS_DENIED, 0, buffer, sizeof(buffer), nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

std::string SystemText(DWORD code) {
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      buffer, 511, nullptr);
  return std::string(buffer, length);
}

TEST(FormatMessage, ACertificatesStatusEndsWithTheReasonNotedOnThisThread) {
  const std::string untrusted =
      "A certificate chain processed, but terminated in a root certificate which is not trusted by the trust provider.";
  const std::string note = "The certificate of dc1.corp.example could not be verified: unable to get local issuer "
                           "certificate.";
  SetCertificateFailure("");
  EXPECT_EQ(SystemText(CERT_E_UNTRUSTEDROOT), untrusted + "\r\n") << "no note yet";
  SetCertificateFailure(note);
  EXPECT_EQ(SystemText(CERT_E_UNTRUSTEDROOT), untrusted + " " + note + "\r\n");
  EXPECT_EQ(SystemText(CERT_E_CN_NO_MATCH),
            "The certificate's CN name does not match the passed value. " + note + "\r\n");
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), "Access is denied.\r\n") << "only the trust family's texts";
  // Another thread has a note of its own.
  std::string elsewhere;
  std::thread([&] { elsewhere = SystemText(CERT_E_UNTRUSTEDROOT); }).join();
  EXPECT_EQ(elsewhere, untrusted + "\r\n");
  // The note counts toward the buffer's size.
  char small[200] = {};
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, CERT_E_UNTRUSTEDROOT, 0, small, sizeof small, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  SetCertificateFailure("");
}

TEST(CertificateStatus, OnlyTheTrustFamily) {
  for (const DWORD code : {CERT_E_EXPIRED, CERT_E_UNTRUSTEDROOT, TRUST_E_FAIL, CERT_E_REVOKED, CERT_E_CN_NO_MATCH})
    EXPECT_TRUE(IsCertificateStatus(code)) << std::hex << code;
  for (const DWORD code : {0u, 53u, 0x000B0109u, 0x80070035u, 0x80090325u})
    EXPECT_FALSE(IsCertificateStatus(code)) << std::hex << code;
}

}  // namespace
