// Setting a password and unlocking an account through the network-user
// interface, on the domain's controller from the settings (none: the local
// computer). A reset clears only the lock-out: an administrator's disabling
// of the account stands; a locked-out account is reset too.
#include <openssl/crypto.h>

#include "RemoteSvr/common/md5_context.h"
#include "RemoteSvr/common/win32_error_text.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "platform/netapi/netapi.h"
#include "platform/registry/registry.h"
#include "platform/base/text.h"
#include "platform/cryptoapi/wincrypt.h"
#include "platform/base/wipe.h"

namespace {

constexpr char kProductKey[] = "Software\\Varnok AG\\Varnok Password Reset";
constexpr DWORD kTemporarySourceBytes = 1024;

// The two values that shape a reset, read afresh at every request.
struct CResetOptions {
  DWORD preExpirePassword = 0;
  DWORD twoStageReset = 1;
};

// A 4-byte number of any registry type; the default when the value is
// missing or longer.
DWORD ReadNumber(HKEY key, const char* name, DWORD fallback) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    return fallback;
  return value;
}

CResetOptions ReadResetOptions() {
  CResetOptions options;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return options;
  options.preExpirePassword = ReadNumber(key, "PreExpirePassword", options.preExpirePassword);
  options.twoStageReset = ReadNumber(key, "TwoStageReset", options.twoStageReset);
  RegCloseKey(key);
  return options;
}

// The digest text of the MD5 of 1024 random bytes: 39 characters of
// upper-case hexadecimal digits and hyphens.
int MakeTemporaryPassword(std::string& temporary, std::string& errorText) {
  BYTE source[kTemporarySourceBytes];
  unsigned char digest[DIGEST_SIZE];
  const int done = CPwdResetConnection::GetRandomBytes(source, sizeof source, errorText);
  if (done) {
    CMD5Context md5;
    md5.Update(source, sizeof source);
    md5.Final(digest);
    temporary = CMD5Context::FormatDigestText(digest);
  }
  OPENSSL_cleanse(source, sizeof source);
  OPENSSL_cleanse(digest, sizeof digest);
  return done;
}

LPCWSTR ServerFor(const std::string& domain) {
  const std::u16string* controller = CDatabaseSettings::Instance().GetDomainController(domain.c_str());
  return controller != nullptr ? controller->c_str() : nullptr;
}

// Reads the user's level-3 record, lets `change` alter it, writes it back.
template <class Change>
NET_API_STATUS UpdateAccount(LPCWSTR server, LPCWSTR user, Change change) {
  LPBYTE buffer = nullptr;
  NET_API_STATUS status = NetUserGetInfo(server, user, 3, &buffer);
  if (status == NERR_Success) {
    change(*reinterpret_cast<USER_INFO_3*>(buffer));
    DWORD parmError = 0;
    status = NetUserSetInfo(server, user, 3, buffer, &parmError);
  }
  NetApiBufferFree(buffer);
  return status;
}

int Failed(NET_API_STATUS status, std::string& errorText) {
  errorText = CWin32ErrorText(status).text;
  return 0;
}

}  // namespace

int CPwdResetConnection::GetRandomBytes(BYTE* buffer, DWORD length, std::string& errorText) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    errorText = CWin32ErrorText().text;
    return 0;
  }
  const BOOL generated = CryptGenRandom(provider, length, buffer);
  const DWORD error = GetLastError();
  CryptReleaseContext(provider, 0);
  if (!generated) {
    errorText = CWin32ErrorText(error).text;
    return 0;
  }
  return 1;
}

int CPwdResetConnection::SetPasswordNetUser(const std::string& domain, const std::string& userName,
                                            const std::string& newPassword, std::string& errorText) {
  const CResetOptions options = ReadResetOptions();
  const bool twoStage = options.twoStageReset != 0;
  std::string temporary;
  CWipeOnExit<char> wipeTemporary(temporary);
  if (twoStage && !MakeTemporaryPassword(temporary, errorText)) return 0;

  const std::u16string user = Utf8ToUtf16(userName);
  std::u16string password = Utf8ToUtf16(newPassword);
  std::u16string wideTemporary = Utf8ToUtf16(temporary);
  CWipeOnExit<char16_t> wipePassword(password), wipeWideTemporary(wideTemporary);
  const LPCWSTR server = ServerFor(domain);

  USER_INFO_1003 reset{twoStage ? wideTemporary.data() : password.data()};
  DWORD parmError = 0;
  NET_API_STATUS status = NetUserSetInfo(server, user.c_str(), 1003, reinterpret_cast<LPBYTE>(&reset), &parmError);
  // Refused, the change leaves the temporary password, which nobody knows,
  // and the flags untouched. A locked-out account refuses the change as it
  // refuses a logon: the lock-out that the update below would clear comes
  // off first, then the change is made once more (else the reset would end
  // with the user locked out and the password lost).
  if (status == NERR_Success && twoStage) {
    status = NetUserChangePassword(server, user.c_str(), wideTemporary.c_str(), password.c_str());
    if (status == ERROR_ACCOUNT_LOCKED_OUT) {
      status = UpdateAccount(server, user.c_str(), [](USER_INFO_3& record) { record.usri3_flags &= ~UF_LOCKOUT; });
      if (status == NERR_Success)
        status = NetUserChangePassword(server, user.c_str(), wideTemporary.c_str(), password.c_str());
    }
  }
  if (status == NERR_Success) {
    status = UpdateAccount(server, user.c_str(), [&](USER_INFO_3& record) {
      record.usri3_flags &= ~UF_LOCKOUT;
      if (options.preExpirePassword != 0) record.usri3_password_expired = 1;
    });
  }
  if (status != NERR_Success) return Failed(status, errorText);
  return 1;
}

int CPwdResetConnection::UnlockAccountNetUser(const std::string& domain, const std::string& userName,
                                              std::string& errorText) {
  const std::u16string user = Utf8ToUtf16(userName);
  const NET_API_STATUS status =
      UpdateAccount(ServerFor(domain), user.c_str(), [](USER_INFO_3& record) { record.usri3_flags &= ~UF_LOCKOUT; });
  if (status != NERR_Success) return Failed(status, errorText);
  return 1;
}
