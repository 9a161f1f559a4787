// netapi32's Windows shapes over the backend: wide names in and out, one
// buffer per answer as netapi allocates it.
#include "platform/netapi/netapi.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/netapi/netapi_backend.h"
#include "platform/netapi/netapi_backend_loader.h"
#include "platform/base/certificate_failure.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

std::atomic<INetApiBackend*> g_testBackend{nullptr};
// Set before main when the program links Samba's backend in. Constant-
// initialised: no static constructor of this file can undo that setting.
constinit std::atomic<INetApiBackend& (*)()> g_linkedBackend{nullptr};

// A certificate's status says why through this thread's note, which a
// backend loaded as a module made in its own copy: it is copied here.
NET_API_STATUS WithCertificateNote(NET_API_STATUS status) {
  if (IsCertificateStatus(status)) SetCertificateFailure(NetApiBackend().LastCertificateFailure());
  return status;
}

std::string Narrow(LPCWSTR text) { return text == nullptr ? std::string() : Utf16ToUtf8(std::u16string_view(text)); }

// Lays out `names` as an array of one-pointer records followed by the
// strings, in one block, as netapi does: NetApiBufferFree frees it whole.
template <class Record>
NET_API_STATUS PackNames(const std::vector<std::string>& names, LPBYTE* buffer, LPDWORD entriesRead,
                         LPDWORD totalEntries) {
  std::vector<std::u16string> wide;
  std::size_t bytes = names.size() * sizeof(Record);
  for (const std::string& name : names) {
    wide.push_back(Utf8ToUtf16(name));
    bytes += (wide.back().size() + 1) * sizeof(char16_t);
  }
  auto* block = static_cast<LPBYTE>(std::calloc(1, bytes == 0 ? 1 : bytes));
  if (block == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  auto* records = reinterpret_cast<Record*>(block);
  auto* text = reinterpret_cast<char16_t*>(block + names.size() * sizeof(Record));
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::memcpy(text, wide[i].c_str(), (wide[i].size() + 1) * sizeof(char16_t));
    *reinterpret_cast<LPWSTR*>(&records[i]) = text;
    text += wide[i].size() + 1;
  }
  *buffer = block;
  *entriesRead = *totalEntries = static_cast<DWORD>(names.size());
  return NERR_Success;
}

// The common frame of the two group calls.
template <class Record, class Ask>
NET_API_STATUS GroupCall(DWORD level, LPBYTE* buffer, LPDWORD entriesRead, LPDWORD totalEntries, Ask ask) {
  if (buffer == nullptr || entriesRead == nullptr || totalEntries == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  *entriesRead = *totalEntries = 0;
  if (level != 0) return ERROR_INVALID_LEVEL;
  std::vector<std::string> names;
  const NET_API_STATUS status = WithCertificateNote(ask(names));
  if (status != NERR_Success) return status;
  return PackNames<Record>(names, buffer, entriesRead, totalEntries);
}

// Lays out the locator's answer as one DOMAIN_CONTROLLER_INFOA block, its
// texts after the record.
NET_API_STATUS PackControllerInfo(const CDomainControllerInfo& info, PDOMAIN_CONTROLLER_INFOA* result) {
  const std::string* const texts[] = {&info.controllerName, &info.controllerAddress, &info.domainName,
                                      &info.forestName,     &info.controllerSite,    &info.clientSite};
  std::size_t bytes = sizeof(DOMAIN_CONTROLLER_INFOA);
  for (const std::string* text : texts) bytes += text->size() + 1;
  auto* block = static_cast<LPBYTE>(std::calloc(1, bytes));
  if (block == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  auto* record = reinterpret_cast<DOMAIN_CONTROLLER_INFOA*>(block);
  char* text = reinterpret_cast<char*>(block + sizeof(DOMAIN_CONTROLLER_INFOA));
  LPSTR* const fields[] = {&record->DomainControllerName, &record->DomainControllerAddress, &record->DomainName,
                           &record->DnsForestName,        &record->DcSiteName,              &record->ClientSiteName};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    std::memcpy(text, texts[i]->c_str(), texts[i]->size() + 1);
    *fields[i] = text;
    text += texts[i]->size() + 1;
  }
  record->DomainControllerAddressType = info.addressType;
  const auto& guid = info.domainGuid;
  record->DomainGuid.Data1 = static_cast<DWORD>(guid[0] | guid[1] << 8 | guid[2] << 16 | static_cast<DWORD>(guid[3]) << 24);
  record->DomainGuid.Data2 = static_cast<WORD>(guid[4] | guid[5] << 8);
  record->DomainGuid.Data3 = static_cast<WORD>(guid[6] | guid[7] << 8);
  std::memcpy(record->DomainGuid.Data4, guid.data() + 8, 8);
  record->Flags = info.flags;
  *result = record;
  return NERR_Success;
}

// A password out of its wide buffer, wiped when it goes.
class CNarrowPassword {
 public:
  explicit CNarrowPassword(LPCWSTR text) : m_text(Narrow(text)), m_wipe(m_text) {}
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
  CWipeOnExit<char> m_wipe;
};

CUserRecord RecordOf(const USER_INFO_3& info) {
  CUserRecord r;
  CopyUserRecord(info, r, Narrow);
  return r;
}

// The record, its wide texts and its logon hours in one block.
NET_API_STATUS PackUserRecord(const CUserRecord& r, LPBYTE* buffer) {
  const std::string* const texts[] = {&r.name,        &r.homeDir,      &r.comment,    &r.scriptPath,
                                      &r.fullName,    &r.userComment,  &r.parms,      &r.workstations,
                                      &r.logonServer, &r.profile,      &r.homeDirDrive};
  std::vector<std::u16string> wide;
  std::size_t bytes = sizeof(USER_INFO_3);
  for (const std::string* text : texts) {
    wide.push_back(Utf8ToUtf16(*text));
    bytes += (wide.back().size() + 1) * sizeof(char16_t);
  }
  bytes += r.logonHours.size();
  auto* block = static_cast<LPBYTE>(std::calloc(1, bytes));
  if (block == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  auto* info = reinterpret_cast<USER_INFO_3*>(block);
  LPWSTR* const fields[] = {&info->usri3_name,         &info->usri3_home_dir,     &info->usri3_comment,
                            &info->usri3_script_path,  &info->usri3_full_name,    &info->usri3_usr_comment,
                            &info->usri3_parms,        &info->usri3_workstations, &info->usri3_logon_server,
                            &info->usri3_profile,      &info->usri3_home_dir_drive};
  auto* text = reinterpret_cast<char16_t*>(block + sizeof(USER_INFO_3));
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::memcpy(text, wide[i].c_str(), (wide[i].size() + 1) * sizeof(char16_t));
    *fields[i] = text;
    text += wide[i].size() + 1;
  }
  if (!r.logonHours.empty()) {
    info->usri3_logon_hours = reinterpret_cast<LPBYTE>(text);
    std::memcpy(info->usri3_logon_hours, r.logonHours.data(), r.logonHours.size());
  }
  info->usri3_password_age = r.passwordAge;
  info->usri3_priv = r.privilege;
  info->usri3_flags = r.flags;
  info->usri3_auth_flags = r.authFlags;
  info->usri3_last_logon = r.lastLogon;
  info->usri3_last_logoff = r.lastLogoff;
  info->usri3_acct_expires = r.accountExpires;
  info->usri3_max_storage = r.maxStorage;
  info->usri3_units_per_week = r.unitsPerWeek;
  info->usri3_bad_pw_count = r.badPasswordCount;
  info->usri3_num_logons = r.logonCount;
  info->usri3_country_code = r.countryCode;
  info->usri3_code_page = r.codePage;
  info->usri3_user_id = r.userId;
  info->usri3_primary_group_id = r.primaryGroupId;
  info->usri3_password_expired = r.passwordExpired;
  *buffer = block;
  return NERR_Success;
}

}  // namespace

INetApiBackend& NetApiBackend() {
  if (INetApiBackend* test = g_testBackend.load()) return *test;
  if (INetApiBackend& (*linked)() = g_linkedBackend.load()) return linked();
  return ModuleNetApiBackend();
}

void SetNetApiBackend(INetApiBackend* backend) { g_testBackend.store(backend); }

void SetLinkedNetApiBackend(INetApiBackend& (*backend)()) { g_linkedBackend.store(backend); }

NET_API_STATUS NetUserGetGroups(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE* buffer, DWORD,
                                LPDWORD entriesRead, LPDWORD totalEntries) {
  return GroupCall<GROUP_USERS_INFO_0>(level, buffer, entriesRead, totalEntries, [&](std::vector<std::string>& names) {
    return NetApiBackend().UserGetGroups(Narrow(serverName), Narrow(userName), names);
  });
}

NET_API_STATUS NetUserGetLocalGroups(LPCWSTR serverName, LPCWSTR userName, DWORD level, DWORD flags,
                                     LPBYTE* buffer, DWORD, LPDWORD entriesRead, LPDWORD totalEntries) {
  return GroupCall<LOCALGROUP_USERS_INFO_0>(level, buffer, entriesRead, totalEntries,
                                            [&](std::vector<std::string>& names) {
                                              return NetApiBackend().UserGetLocalGroups(
                                                  Narrow(serverName), Narrow(userName),
                                                  (flags & LG_INCLUDE_INDIRECT) != 0, names);
                                            });
}

DWORD DsGetDcNameA(LPCSTR computerName, LPCSTR domainName, GUID*, LPCSTR, ULONG flags,
                   PDOMAIN_CONTROLLER_INFOA* info) {
  if (info == nullptr) return ERROR_INVALID_PARAMETER;
  *info = nullptr;
  CDomainControllerInfo answer;
  const DWORD status = NetApiBackend().GetDcName(computerName == nullptr ? std::string() : computerName,
                                                 domainName == nullptr ? std::string() : domainName, flags, answer);
  if (status != NERR_Success) return status;
  return PackControllerInfo(answer, info);
}

NET_API_STATUS NetUserSetInfo(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE buffer, LPDWORD parmError) {
  if (parmError != nullptr) *parmError = 0;
  if (buffer == nullptr || userName == nullptr) return ERROR_INVALID_PARAMETER;
  DWORD refused = 0;
  NET_API_STATUS status;
  if (level == 1003) {
    const CNarrowPassword password(reinterpret_cast<const USER_INFO_1003*>(buffer)->usri1003_password);
    status = NetApiBackend().UserSetPassword(Narrow(serverName), Narrow(userName), password.Text(), refused);
  } else if (level == 3) {
    status = NetApiBackend().UserSetInfo(Narrow(serverName), Narrow(userName),
                                         RecordOf(*reinterpret_cast<const USER_INFO_3*>(buffer)), refused);
  } else {
    return ERROR_INVALID_LEVEL;
  }
  if (parmError != nullptr) *parmError = refused;
  return WithCertificateNote(status);
}

NET_API_STATUS NetUserGetInfo(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE* buffer) {
  if (buffer == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  if (userName == nullptr) return ERROR_INVALID_PARAMETER;
  if (level != 3) return ERROR_INVALID_LEVEL;
  CUserRecord record;
  const NET_API_STATUS status =
      WithCertificateNote(NetApiBackend().UserGetInfo(Narrow(serverName), Narrow(userName), record));
  if (status != NERR_Success) return status;
  return PackUserRecord(record, buffer);
}

NET_API_STATUS NetUserChangePassword(LPCWSTR domainName, LPCWSTR userName, LPCWSTR oldPassword,
                                     LPCWSTR newPassword) {
  if (userName == nullptr || oldPassword == nullptr || newPassword == nullptr) return ERROR_INVALID_PARAMETER;
  const CNarrowPassword oldText(oldPassword), newText(newPassword);
  return WithCertificateNote(
      NetApiBackend().UserChangePassword(Narrow(domainName), Narrow(userName), oldText.Text(), newText.Text()));
}

NET_API_STATUS NetUserChangePasswordReady(LPCWSTR domainName) {
  return WithCertificateNote(NetApiBackend().UserChangePasswordReady(Narrow(domainName)));
}

NET_API_STATUS NetGetDCName(LPCWSTR serverName, LPCWSTR domainName, LPBYTE* buffer) {
  if (buffer == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  std::string name;
  const NET_API_STATUS status = NetApiBackend().GetPrimaryDcName(Narrow(serverName), Narrow(domainName), name);
  if (status != NERR_Success) return status;
  const std::u16string wide = Utf8ToUtf16(name);
  auto* block = static_cast<LPBYTE>(std::calloc(wide.size() + 1, sizeof(char16_t)));
  if (block == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  std::memcpy(block, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  *buffer = block;
  return NERR_Success;
}

NET_API_STATUS NetApiBufferFree(LPVOID buffer) {
  std::free(buffer);
  return NERR_Success;
}
