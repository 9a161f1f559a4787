// Finding and connecting to the reset service for the reset dialog.
#include "gina/service_search.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "gina/log_list.h"
#include "gina/reset_record_client.h"
#include "platform/base/text.h"
#include "platform/netapi/netapi.h"
#include "platform/registry/registry.h"

namespace {

constexpr char kWinlogonKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon";
constexpr char kProductKey[] = "Software\\Varnok AG\\Varnok Password Reset";
// The values are read into a buffer of this size, as a name of the system
// is at most that long.
constexpr DWORD kValueBytes = 256;

// The value's bytes up to the first zero, whatever its type; false when the
// key or value cannot be read (or is longer than the buffer).
bool ReadValueText(const char* keyPath, const char* valueName, std::string& text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char buffer[kValueBytes + 1] = {};
  DWORD size = kValueBytes;
  const LSTATUS status = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  text.assign(buffer, strnlen(buffer, std::min<DWORD>(size, kValueBytes)));
  return true;
}

}  // namespace

std::string DefaultDomainName() {
  std::string domain;
  if (!ReadValueText(kWinlogonKey, "DefaultDomainName", domain)) domain.clear();
  return domain;
}

bool FindServerNames(HWND list, const std::string& domain, std::vector<std::string>& names) {
  std::string central;
  if (ReadValueText(kProductKey, "CentralServer", central)) names.push_back(central);

  const std::u16string wideDomain = Utf8ToUtf16(domain).substr(0, kValueBytes);
  LPBYTE buffer = nullptr;
  const NET_API_STATUS status = NetGetDCName(nullptr, wideDomain.c_str(), &buffer);
  if (status == NERR_Success && buffer != nullptr) {
    std::string controller = Utf16ToUtf8(reinterpret_cast<const char16_t*>(buffer));
    controller.resize(Utf8CutPoint(controller, kValueBytes - 1));
    NetApiBufferFree(buffer);
    AddLogLineF(list, "Domain controller = %s", controller.c_str());
    names.push_back(controller);
  } else {
    if (buffer != nullptr) NetApiBufferFree(buffer);
    AddLogLine(list, "Cannot find domain controller,");
    AddLogLineF(list, "NetGetDCName() returned %d", static_cast<int>(status));
  }
  return !names.empty();
}

bool ConnectToAnyServer(HWND list, const std::vector<std::string>& names) {
  for (const std::string& given : names) {
    // A "\" byte is never part of a longer UTF-8 character.
    std::string name = given;
    name.erase(std::remove(name.begin(), name.end(), '\\'), name.end());
    const HOSTENT* host = winsock::gethostbyname(name.c_str());
    if (host == nullptr) {
      AddLogLineF(list, "Cannot resolve host name %s", name.c_str());
      continue;
    }
    if (host->h_name != nullptr && host->h_name[0] != '\0') {
      AddLogLineF(list, "Host name = %s", host->h_name);
    } else {
      AddLogLine(list, "Host name not found");
    }
    for (char** address = host->h_addr_list; address != nullptr && *address != nullptr; ++address) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(*address);
      AddLogLineF(list, "Host address = %u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    }
    if (ConnectToServer(list, *host)) return true;
  }
  AddLogLine(list, "Could not connect to any servers");
  return false;
}
