// CAdsiAccess: the service's small door to a directory through ADSI
// (platform/adsi/adsi.h): the credentials to bind with, one subtree search, one
// set of one-value changes, and the text of an HRESULT. AdsiLock guards the
// credentials while they are set, and while a search or a change takes its
// copy of them; no directory I/O runs under it, so a directory that stops
// answering holds up only the requests that wait for it. The operations
// built on it are account_operations_ldap.cpp.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/objbase.h"

// The process-wide lock of the ADSI credentials; built on first use and
// never destroyed, so threads still running at exit never meet a destroyed
// lock.
std::mutex& AdsiLock();

class CAdsiAccess {
 public:
  CAdsiAccess() = default;
  // Wipes and frees the credentials.
  virtual ~CAdsiAccess();
  CAdsiAccess(const CAdsiAccess&) = delete;
  CAdsiAccess& operator=(const CAdsiAccess&) = delete;

  // Replaces both texts with UTF-16 copies (nullptr: none) and binds from
  // now on with ADS_FAST_BIND, plus ADS_USE_ENCRYPTION when `useSsl`.
  void SetCredentials(const char* newUserName, const char* newPassword, std::int32_t useSsl);

  // A subtree search under `path` for "(&filter)" asking for the
  // comma-separated `attributes` (empty: all). Each value of each column
  // adds one (name, value) pair; each row ends with a pair of empty texts.
  // 1, or 0 with `errorText` set.
  int Search(const std::string& path, const std::string& filter, const std::string& attributes,
             std::vector<std::string>& names, std::vector<std::string>& values, std::string& errorText);

  // For each index, the operation ("update") of `attributes[i]` with the
  // one value `values[i]`, each written before the next is prepared. A path
  // without "LDAP://" gets it, its slashes written "\/". 1, or 0 with
  // `errorText` set (what was written before a failure stays written).
  int Modify(const std::string& path, const std::vector<std::string>& attributes,
             const std::vector<std::string>& values, const std::vector<std::string>& operations,
             std::string& errorText);
  // After a failed Modify: whether its last change went out unanswered, so
  // that it may or may not have been made.
  bool OutcomeUnknown() const { return outcomeUnknown; }

  // "Success" for a result that is not a failure; else the ADSI error's
  // name, or the system text of a Win32 result or of a certificate's
  // status (platform/base/certificate_failure.h; "Error %ld" without one),
  // followed by the thread's extended error " (provider : text)" when one
  // is recorded; line feeds, carriage returns and tabs removed.
  static std::string FormatResult(HRESULT result);

  // The path Modify opens for `path`.
  static std::string ObjectPath(const std::string& path);

  const std::optional<std::u16string>& UserName() const { return userName; }
  bool HasPassword() const { return password.has_value(); }
  std::uint32_t BindFlags() const { return bindFlags; }

 private:
  // One call's copy of the credentials, wiped when the call ends.
  struct CCallCredentials {
    std::optional<std::u16string> userName;
    std::optional<std::u16string> password;
    std::uint32_t bindFlags = 0;
    ~CCallCredentials();
  };

  void WipeCredentials();
  // The credentials as they stand, copied under AdsiLock.
  void CopyCredentials(CCallCredentials& copy) const;

  std::optional<std::u16string> userName;
  std::optional<std::u16string> password;
  std::uint32_t bindFlags = 1;  // ADS_SECURE_AUTHENTICATION
  bool outcomeUnknown = false;
};
