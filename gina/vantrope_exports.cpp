// The exports, and what the loader does for the library: its resources
// handed to the windows layer at load and taken back at unload.
#include "gina/vantrope_exports.h"

#include <algorithm>

#include "gina/chained_gina.h"
#include "gina/dialog_hook.h"
#include "gina/vantrope_module.h"
#include "gina/vantrope_resources.h"

namespace {

__attribute__((constructor)) void AtLoad() {
  std::size_t count = 0;
  const ResourceEntry* resources = VantropeResources(count);
  RegisterModuleResources(VantropeModule(), resources, count);
}

__attribute__((destructor)) void AtUnload() { UnregisterModuleResources(VantropeModule()); }

}  // namespace

BOOL WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion) {
  UnbindChainedEntryPoints();
  // Kept for the process's life, as Winlogon keeps this library.
  const HMODULE library = LoadLibraryA(CHAINED_GINA_NAME);
  if (library == nullptr) return FALSE;
  const auto negotiate = reinterpret_cast<PFWLXNEGOTIATE>(GetProcAddress(library, "WlxNegotiate"));
  if (negotiate == nullptr) return FALSE;
  DWORD version = std::min(dwWinlogonVersion, WLX_CURRENT_VERSION);
  if (!negotiate(version, &version)) return FALSE;
  if (!BindChainedEntryPoints(library, version)) return FALSE;
  SetNegotiatedVersion(version);
  if (pdwDllVersion != nullptr) *pdwDllVersion = version;
  return TRUE;
}

BOOL WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved, PVOID pWinlogonFunctions, PVOID* pWlxContext) {
  auto* functions = static_cast<WLX_DISPATCH_VERSION_1_0*>(pWinlogonFunctions);
  KeepWinlogonState(hWlx, functions);
  InstallDialogHook(functions);
  const auto initialize = ChainedGina().WlxInitialize;
  if (initialize == nullptr) return FALSE;
  return initialize(lpWinsta, hWlx, pvReserved, pWinlogonFunctions, pWlxContext);
}

// Each pass-through: the chained entry point with the same arguments, or
// the answer of "no" when it was never bound.
#define VARNOK_PASS(name, otherwise, ...)          \
  const auto chained = ChainedGina().name;         \
  if (chained == nullptr) return otherwise;        \
  return chained(__VA_ARGS__)

void WlxDisplaySASNotice(PVOID pWlxContext) { VARNOK_PASS(WlxDisplaySASNotice, , pWlxContext); }

int WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId, PSID pLogonSid, PDWORD pdwOptions,
                    PHANDLE phToken, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo, PVOID* pProfile) {
  VARNOK_PASS(WlxLoggedOutSAS, 0, pWlxContext, dwSasType, pAuthenticationId, pLogonSid, pdwOptions, phToken,
              pNprNotifyInfo, pProfile);
}

BOOL WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName, PWSTR pszMprLogonScript, PVOID pEnvironment) {
  VARNOK_PASS(WlxActivateUserShell, FALSE, pWlxContext, pszDesktopName, pszMprLogonScript, pEnvironment);
}

int WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved) {
  VARNOK_PASS(WlxLoggedOnSAS, 0, pWlxContext, dwSasType, pReserved);
}

void WlxDisplayLockedNotice(PVOID pWlxContext) { VARNOK_PASS(WlxDisplayLockedNotice, , pWlxContext); }

BOOL WlxIsLockOk(PVOID pWlxContext) { VARNOK_PASS(WlxIsLockOk, FALSE, pWlxContext); }

int WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType) {
  VARNOK_PASS(WlxWkstaLockedSAS, 0, pWlxContext, dwSasType);
}

BOOL WlxIsLogoffOk(PVOID pWlxContext) { VARNOK_PASS(WlxIsLogoffOk, FALSE, pWlxContext); }

void WlxLogoff(PVOID pWlxContext) { VARNOK_PASS(WlxLogoff, , pWlxContext); }

void WlxShutdown(PVOID pWlxContext, DWORD ShutdownType) { VARNOK_PASS(WlxShutdown, , pWlxContext, ShutdownType); }

BOOL WlxScreenSaverNotify(PVOID pWlxContext, BOOL* pSecure) {
  VARNOK_PASS(WlxScreenSaverNotify, FALSE, pWlxContext, pSecure);
}

BOOL WlxStartApplication(PVOID pWlxContext, PWSTR pszDesktopName, PVOID pEnvironment, PWSTR pszCmdLine) {
  VARNOK_PASS(WlxStartApplication, FALSE, pWlxContext, pszDesktopName, pEnvironment, pszCmdLine);
}

BOOL WlxNetworkProviderLoad(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo) {
  VARNOK_PASS(WlxNetworkProviderLoad, FALSE, pWlxContext, pNprNotifyInfo);
}

BOOL WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions, PWSTR pTitle, PWSTR pMessage) {
  VARNOK_PASS(WlxDisplayStatusMessage, FALSE, pWlxContext, hDesktop, dwOptions, pTitle, pMessage);
}

BOOL WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage, DWORD dwBufferSize) {
  VARNOK_PASS(WlxGetStatusMessage, FALSE, pWlxContext, pdwOptions, pMessage, dwBufferSize);
}

BOOL WlxRemoveStatusMessage(PVOID pWlxContext) { VARNOK_PASS(WlxRemoveStatusMessage, FALSE, pWlxContext); }

BOOL WlxGetConsoleSwitchCredentials(PVOID pWlxContext, PVOID pCredInfo) {
  VARNOK_PASS(WlxGetConsoleSwitchCredentials, FALSE, pWlxContext, pCredInfo);
}

void WlxReconnectNotify(PVOID pWlxContext) { VARNOK_PASS(WlxReconnectNotify, , pWlxContext); }

void WlxDisconnectNotify(PVOID pWlxContext) { VARNOK_PASS(WlxDisconnectNotify, , pWlxContext); }

#undef VARNOK_PASS
