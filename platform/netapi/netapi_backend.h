// What the netapi layer asks of a directory, in plain C++ types (UTF-8
// strings, netapi's status codes): the seam between netapi.h's Windows
// shapes and whatever answers them. The process's backend is Samba's
// libnetapi (netapi_samba.cpp, which cannot see netapi.h: Samba's own
// header uses the same names), either linked into the program
// (netapi_backend_linked.cpp) or loaded as a module at the first call
// (netapi_backend_loader.cpp); unit tests may put one of their own in its
// place.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

// What the directory service locator tells about a domain controller.
struct CDomainControllerInfo {
  std::string controllerName;     // with its leading "\\" as the locator gives it
  std::string controllerAddress;
  DWORD addressType = 0;
  std::array<std::uint8_t, 16> domainGuid{};  // Data1..Data3 little-endian, then Data4
  std::string domainName;
  std::string forestName;
  DWORD flags = 0;
  std::string controllerSite;
  std::string clientSite;
};

// A user's level-3 record in plain types (the password is never part of it).
struct CUserRecord {
  std::string name;
  DWORD passwordAge = 0;
  DWORD privilege = 0;
  std::string homeDir;
  std::string comment;
  DWORD flags = 0;  // netapi's UF_ bits
  std::string scriptPath;
  DWORD authFlags = 0;
  std::string fullName;
  std::string userComment;
  std::string parms;
  std::string workstations;
  DWORD lastLogon = 0;
  DWORD lastLogoff = 0;
  DWORD accountExpires = 0;
  DWORD maxStorage = 0;
  DWORD unitsPerWeek = 0;
  std::vector<std::uint8_t> logonHours;  // empty: none given
  DWORD badPasswordCount = 0;
  DWORD logonCount = 0;
  std::string logonServer;
  DWORD countryCode = 0;
  DWORD codePage = 0;
  DWORD userId = 0;
  DWORD primaryGroupId = 0;
  std::string profile;
  std::string homeDirDrive;
  DWORD passwordExpired = 0;
};

// Copies a level-3 user record with netapi's field names (the layer's wide
// one, or libnetapi's in UTF-8) into the plain record; `text` turns one of
// its strings into UTF-8.
template <class Info, class Text>
void CopyUserRecord(const Info& in, CUserRecord& r, Text text) {
  r.name = text(in.usri3_name);
  r.passwordAge = in.usri3_password_age;
  r.privilege = in.usri3_priv;
  r.homeDir = text(in.usri3_home_dir);
  r.comment = text(in.usri3_comment);
  r.flags = in.usri3_flags;
  r.scriptPath = text(in.usri3_script_path);
  r.authFlags = in.usri3_auth_flags;
  r.fullName = text(in.usri3_full_name);
  r.userComment = text(in.usri3_usr_comment);
  r.parms = text(in.usri3_parms);
  r.workstations = text(in.usri3_workstations);
  r.lastLogon = in.usri3_last_logon;
  r.lastLogoff = in.usri3_last_logoff;
  r.accountExpires = in.usri3_acct_expires;
  r.maxStorage = in.usri3_max_storage;
  r.unitsPerWeek = in.usri3_units_per_week;
  // One bit per hour of the week.
  if (in.usri3_logon_hours != nullptr) r.logonHours.assign(in.usri3_logon_hours, in.usri3_logon_hours + 21);
  r.badPasswordCount = in.usri3_bad_pw_count;
  r.logonCount = in.usri3_num_logons;
  r.logonServer = text(in.usri3_logon_server);
  r.countryCode = in.usri3_country_code;
  r.codePage = in.usri3_code_page;
  r.userId = in.usri3_user_id;
  r.primaryGroupId = in.usri3_primary_group_id;
  r.profile = text(in.usri3_profile);
  r.homeDirDrive = text(in.usri3_home_dir_drive);
  r.passwordExpired = in.usri3_password_expired;
}

class INetApiBackend {
 public:
  virtual ~INetApiBackend() = default;
  // `server` is empty for the local computer.
  virtual DWORD UserGetGroups(const std::string& server, const std::string& user,
                              std::vector<std::string>& groups) = 0;
  virtual DWORD UserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                                   std::vector<std::string>& groups) = 0;
  // The directory service locator: `server` empty for the local computer,
  // `domain` empty for the computer's own domain. Backends without a locator
  // answer ERROR_NOT_SUPPORTED (50).
  virtual DWORD GetDcName(const std::string& server, const std::string& domain, DWORD flags,
                          CDomainControllerInfo& info);

  // The user calls; passwords are UTF-8 and never kept. Backends without
  // them answer ERROR_NOT_SUPPORTED (50).
  // An administrator's reset of the password (level 1003).
  virtual DWORD UserSetPassword(const std::string& server, const std::string& user, const std::string& password,
                                DWORD& parmError);
  virtual DWORD UserGetInfo(const std::string& server, const std::string& user, CUserRecord& record);
  // Writes the record's account state only (see NetUserSetInfo level 3).
  virtual DWORD UserSetInfo(const std::string& server, const std::string& user, const CUserRecord& record,
                            DWORD& parmError);
  virtual DWORD UserChangePassword(const std::string& domainOrServer, const std::string& user,
                                   const std::string& oldPassword, const std::string& newPassword);
  // Whether UserChangePassword can reach `domainOrServer` now: the
  // connection it would make, opened, trusted and bound.
  virtual DWORD UserChangePasswordReady(const std::string& domainOrServer);
  // The domain's primary controller, "\\name"; `domain` empty for the
  // server's own domain.
  virtual DWORD GetPrimaryDcName(const std::string& server, const std::string& domain, std::string& name);

  // The reason noted on this thread for the last certificate that did not
  // verify (platform/base/certificate_failure.h): a backend loaded as a
  // module notes it in its own copy of the layer, which the caller's does
  // not see.
  virtual std::string LastCertificateFailure();
};

// The backend in force: a test's when one is set, else the one linked into
// the program, else the libnetapi backend of the module beside the library
// that asks, loaded at this first call (netapi_backend_loader.h).
INetApiBackend& NetApiBackend();

// Puts `backend` in force (a test's); nullptr restores the process's own.
void SetNetApiBackend(INetApiBackend* backend);

// Makes the backend that `backend` gives the process's own, in place of
// the module; called once, before main, by a program that links Samba's
// backend in (netapi_backend_linked.cpp).
void SetLinkedNetApiBackend(INetApiBackend& (*backend)());

// The libnetapi backend.
INetApiBackend& SambaNetApiBackend();
