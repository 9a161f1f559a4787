// Setting a password and unlocking an account through the network-user
// interface, on the domain's controller from the settings (none: the local
// computer). A reset clears only the lock-out: an administrator's disabling
// of the account stands; a locked-out account is reset too.
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

CResetOptions ReadResetOptions() {
  CResetOptions options;
  options.preExpirePassword =
      ReadRegistryNumber(HKEY_LOCAL_MACHINE, kProductKey, "PreExpirePassword").value_or(options.preExpirePassword);
  options.twoStageReset =
      ReadRegistryNumber(HKEY_LOCAL_MACHINE, kProductKey, "TwoStageReset").value_or(options.twoStageReset);
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
  WipeBytes(source, sizeof source);
  WipeBytes(digest, sizeof digest);
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

// A system text inside a sentence: without the blank its line break left.
std::string Reason(NET_API_STATUS status) {
  std::string text = CWin32ErrorText(status).text;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

NET_API_STATUS SetPasswordInfo(LPCWSTR server, LPCWSTR user, std::u16string& password) {
  USER_INFO_1003 info{password.data()};
  DWORD parmError = 0;
  return NetUserSetInfo(server, user, 1003, reinterpret_cast<LPBYTE>(&info), &parmError);
}

// The domain's password rules refused the temporary password: its form is
// fixed, so the same reset would be refused again; nothing was written.
bool TemporaryRefusedByThePolicy(NET_API_STATUS status) {
  return status == ERROR_PASSWORD_RESTRICTION || status == NERR_PasswordTooShort;
}

constexpr char kTemporaryRefused[] = "The domain refused the two-stage reset's temporary password: ";

// The directory judged the account or the new password: the same reset
// the one-stage way would go against the same judgement (or undo the
// change's own rules), so the temporary password stays.
bool RefusedByTheDirectory(NET_API_STATUS status) {
  switch (status) {
    case ERROR_INVALID_PASSWORD:
    case ERROR_PASSWORD_RESTRICTION:
    case ERROR_LOGON_FAILURE:
    case ERROR_ACCOUNT_DISABLED:
    case ERROR_ACCOUNT_EXPIRED:
    case ERROR_ACCOUNT_LOCKED_OUT:
    case NERR_PasswordTooShort:
    case NERR_UserNotFound:
      return true;
    default:
      return false;
  }
}

// The connection broke or timed out while the call was under way: what it
// asked may have been done.
bool CutOffMidway(NET_API_STATUS status) {
  return status == ERROR_NETNAME_DELETED || status == ERROR_SEM_TIMEOUT || status == ERROR_UNEXP_NET_ERR ||
         status == ERROR_CONNECTION_ABORTED;
}

// What a reset leaves, where its reason does not tell: nothing written; the
// first write cut off; the temporary password in place; the change from it
// cut off.
constexpr char kOldPasswordWorks[] = "The password was not changed; the old one still works.";
constexpr char kMaybeWritten[] =
    "The password may have been changed nonetheless: if the old one no longer works, reset the password again.";
constexpr char kNeitherPasswordWorks[] = "Neither the old nor the new password works now; reset the password again.";
constexpr char kMaybeChanged[] =
    "The old password no longer works, and the new one only if the change went through: if it does not, reset the "
    "password again.";

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

// A reply says what became of the password. A failure before anything was
// written is the status's text (saying that the old password works where
// the reason does not tell). A password that changed is a success, and a
// later step that failed is named in the text: a change from the temporary
// password that could not run is made good by setting the new password the
// one-stage way, and an account state update (unlock, pre-expiry) that
// failed leaves the new password in place. A failure once something was
// written says which password works now, or that a call cut off midway may
// have gone through.
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

  // The change from the temporary password must be able to run before the
  // temporary password is written (the controller reached, its certificate
  // trusted): else the account would keep a password nobody knows.
  NET_API_STATUS status = twoStage ? NetUserChangePasswordReady(server) : NERR_Success;
  if (status != NERR_Success) {
    errorText = Reason(status) + " " + kOldPasswordWorks;
    return 0;
  }
  status = SetPasswordInfo(server, user.c_str(), twoStage ? wideTemporary : password);
  if (status != NERR_Success) {
    if (twoStage && TemporaryRefusedByThePolicy(status)) {
      errorText = kTemporaryRefused + Reason(status) + " " + kOldPasswordWorks;
      return 0;
    }
    if (!CutOffMidway(status)) return Failed(status, errorText);
    errorText = Reason(status) + " " + kMaybeWritten;
    return 0;
  }

  // What went wrong after the password was written, for the reply.
  std::string inOneStage, stateNotUpdated;
  if (twoStage) {
    // A locked-out account refuses the change as it refuses a logon: the
    // lock-out that the update below would clear comes off first, then the
    // change is made once more.
    status = NetUserChangePassword(server, user.c_str(), wideTemporary.c_str(), password.c_str());
    if (status == ERROR_ACCOUNT_LOCKED_OUT) {
      status = UpdateAccount(server, user.c_str(), [](USER_INFO_3& record) { record.usri3_flags &= ~UF_LOCKOUT; });
      if (status == NERR_Success)
        status = NetUserChangePassword(server, user.c_str(), wideTemporary.c_str(), password.c_str());
    }
    if (status != NERR_Success) {
      // Refused, the change leaves the temporary password and the flags
      // untouched; broken off, the new password is set directly.
      if (RefusedByTheDirectory(status) || SetPasswordInfo(server, user.c_str(), password) != NERR_Success) {
        errorText = Reason(status) + " " + (CutOffMidway(status) ? kMaybeChanged : kNeitherPasswordWorks);
        return 0;
      }
      inOneStage = " in one stage (the change from the temporary password failed: " + Reason(status) + ")";
    }
  }
  status = UpdateAccount(server, user.c_str(), [&](USER_INFO_3& record) {
    record.usri3_flags &= ~UF_LOCKOUT;
    if (options.preExpirePassword != 0) record.usri3_password_expired = 1;
  });
  if (status != NERR_Success) {
    stateNotUpdated = options.preExpirePassword != 0 ? ", but clearing a lock-out and marking it expired failed: "
                                                     : ", but clearing a lock-out failed: ";
    stateNotUpdated += Reason(status);
  }
  // A plain success leaves the text to the caller.
  if (!inOneStage.empty() || !stateNotUpdated.empty()) errorText = "Password changed" + inOneStage + stateNotUpdated;
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
