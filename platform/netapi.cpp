// netapi32's Windows shapes over the backend: wide names in and out, one
// buffer per answer as netapi allocates it.
#include "platform/netapi.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/netapi_backend.h"
#include "platform/text.h"

namespace {

std::atomic<INetApiBackend*> g_testBackend{nullptr};

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
  const NET_API_STATUS status = ask(names);
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

}  // namespace

DWORD INetApiBackend::GetDcName(const std::string&, const std::string&, DWORD, CDomainControllerInfo&) {
  return ERROR_NOT_SUPPORTED;
}

INetApiBackend& NetApiBackend() {
  INetApiBackend* test = g_testBackend.load();
  return test != nullptr ? *test : SambaNetApiBackend();
}

void SetNetApiBackend(INetApiBackend* backend) { g_testBackend.store(backend); }

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

NET_API_STATUS NetApiBufferFree(LPVOID buffer) {
  std::free(buffer);
  return NERR_Success;
}
