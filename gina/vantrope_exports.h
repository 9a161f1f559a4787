// The 21 exports of Vantrope, the logon dialog extension's library, with the
// GINA signatures Winlogon calls them by. WlxNegotiate and WlxInitialize
// chain the system's library and hook the dialogs; every other export is
// that library's entry point of the same name with the arguments and result
// unchanged. Nothing else is exported (vantrope.map).
#pragma once

#include "platform/winlogon/wlx_types.h"

#define VANTROPE_EXPORT extern "C" __attribute__((visibility("default")))

// Loads the chained library, agrees the lower of Winlogon's version, 1.4 and
// the chained library's answer, and binds that version's entry points.
// FALSE (*pdwDllVersion untouched) when any step fails.
VANTROPE_EXPORT BOOL WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion);
// Keeps Winlogon's handle and table, hooks the table's WlxDialogBoxParam,
// then initialises the chained library with the hooked table.
VANTROPE_EXPORT BOOL WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved, PVOID pWinlogonFunctions,
                                   PVOID* pWlxContext);

// The pass-throughs. One whose entry point was never bound (a version that
// does not have it) calls nothing and answers FALSE, 0 or nothing.
VANTROPE_EXPORT void WlxDisplaySASNotice(PVOID pWlxContext);
VANTROPE_EXPORT int WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId, PSID pLogonSid,
                                    PDWORD pdwOptions, PHANDLE phToken, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo,
                                    PVOID* pProfile);
VANTROPE_EXPORT BOOL WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName, PWSTR pszMprLogonScript,
                                          PVOID pEnvironment);
VANTROPE_EXPORT int WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved);
VANTROPE_EXPORT void WlxDisplayLockedNotice(PVOID pWlxContext);
VANTROPE_EXPORT BOOL WlxIsLockOk(PVOID pWlxContext);
VANTROPE_EXPORT int WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType);
VANTROPE_EXPORT BOOL WlxIsLogoffOk(PVOID pWlxContext);
VANTROPE_EXPORT void WlxLogoff(PVOID pWlxContext);
VANTROPE_EXPORT void WlxShutdown(PVOID pWlxContext, DWORD ShutdownType);
VANTROPE_EXPORT BOOL WlxScreenSaverNotify(PVOID pWlxContext, BOOL* pSecure);
VANTROPE_EXPORT BOOL WlxStartApplication(PVOID pWlxContext, PWSTR pszDesktopName, PVOID pEnvironment,
                                         PWSTR pszCmdLine);
VANTROPE_EXPORT BOOL WlxNetworkProviderLoad(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo);
VANTROPE_EXPORT BOOL WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions, PWSTR pTitle,
                                             PWSTR pMessage);
VANTROPE_EXPORT BOOL WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage, DWORD dwBufferSize);
VANTROPE_EXPORT BOOL WlxRemoveStatusMessage(PVOID pWlxContext);
VANTROPE_EXPORT BOOL WlxGetConsoleSwitchCredentials(PVOID pWlxContext, PVOID pCredInfo);
VANTROPE_EXPORT void WlxReconnectNotify(PVOID pWlxContext);
VANTROPE_EXPORT void WlxDisconnectNotify(PVOID pWlxContext);
