// The switches: four bytes of the value as a DWORD, whatever its type.
#include "gina/winlogon_switches.h"

#include "platform/registry/registry.h"

namespace {

constexpr char kWinlogonKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon";

int ReadSwitch(const char* name, DWORD whenAbsent) {
  return ReadRegistryNumber(HKEY_LOCAL_MACHINE, kWinlogonKey, name).value_or(whenAbsent) != 0 ? 1 : 0;
}

}  // namespace

int IsResetPasswordEnabled() { return ReadSwitch("VNKResetPassword", 0); }
int IsEnforcePasswordEnabled() { return ReadSwitch("VNKEnforcePassword", 1); }
