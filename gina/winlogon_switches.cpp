// The switches: four bytes of the value as a DWORD, whatever its type.
#include "gina/winlogon_switches.h"

#include <cstring>

#include "platform/registry/registry.h"

namespace {

constexpr char kWinlogonKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon";

int ReadSwitch(const char* name, DWORD whenAbsent) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWinlogonKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return whenAbsent != 0 ? 1 : 0;
  }
  BYTE data[4] = {};
  DWORD size = sizeof data;
  DWORD value = whenAbsent;
  // A longer value does not fit and leaves the default; a shorter one fills
  // the low bytes.
  if (RegQueryValueExA(key, name, nullptr, nullptr, data, &size) == ERROR_SUCCESS) {
    std::memcpy(&value, data, sizeof value);
  }
  RegCloseKey(key);
  return value != 0 ? 1 : 0;
}

}  // namespace

int IsResetPasswordEnabled() { return ReadSwitch("VNKResetPassword", 0); }
int IsEnforcePasswordEnabled() { return ReadSwitch("VNKEnforcePassword", 1); }
