// The directory layers' own settings (netapi, LDAP, ADSI), from the registry
// file's HKEY_LOCAL_MACHINE\Software\Varnok AG\Platform key; nothing of the
// system proper reads them.
#pragma once

#include <string>

// The machine that answers for "the local computer" and for the computer's
// own domain; empty when unset (the libraries' own defaults then apply).
std::string LocalDomainController();

// An account for the calls that cannot use the process's Kerberos
// credentials. The password is wiped when the object goes.
struct CDirectoryCredentials {
  std::string userName;
  std::string password;
  std::string domain;
  CDirectoryCredentials() = default;
  CDirectoryCredentials(const CDirectoryCredentials&) = delete;
  CDirectoryCredentials& operator=(const CDirectoryCredentials&) = delete;
  ~CDirectoryCredentials();
};

// Reads the file that the CredentialsFile value names, in the format of
// Samba's authentication file ("username = ...", "password = ...",
// "domain = ..."). False when no file is configured, or it cannot be read,
// or it is not a regular file owned by root and unreadable by group and
// others (a credentials file anyone can read is refused, not used). A file
// configured but refused is named on standard error with the reason, once
// per process for each file and reason: the callers then bind with the
// process's Kerberos credentials, which fail for reasons of their own.
bool ReadDirectoryCredentials(CDirectoryCredentials& credentials);

// The same for a given file; the registry-free part, for tests. `refusal`,
// when given, says why the file was refused (never a value from it).
bool ReadCredentialsFile(const std::string& path, CDirectoryCredentials& credentials,
                         std::string* refusal = nullptr);
