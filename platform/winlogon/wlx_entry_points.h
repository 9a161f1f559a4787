// The 21 entry points of a GINA library, as Winlogon calls them: plain C
// functions looked up by name. A library offers the 12 of version 1.0 and
// those of each later version it negotiates. These are the pointer types a
// caller (Winlogon, or a library chaining another) holds them by.
#pragma once

#include "platform/winlogon/wlx_types.h"

// 1.0
using PFWLXNEGOTIATE = BOOL (*)(DWORD dwWinlogonVersion, PDWORD pdwDllVersion);
using PFWLXINITIALIZE = BOOL (*)(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved, PVOID pWinlogonFunctions,
                                 PVOID* pWlxContext);
using PFWLXDISPLAYSASNOTICE = void (*)(PVOID pWlxContext);
using PFWLXLOGGEDOUTSAS = int (*)(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId, PSID pLogonSid,
                                  PDWORD pdwOptions, PHANDLE phToken, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo,
                                  PVOID* pProfile);
using PFWLXACTIVATEUSERSHELL = BOOL (*)(PVOID pWlxContext, PWSTR pszDesktopName, PWSTR pszMprLogonScript,
                                        PVOID pEnvironment);
using PFWLXLOGGEDONSAS = int (*)(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved);
using PFWLXDISPLAYLOCKEDNOTICE = void (*)(PVOID pWlxContext);
using PFWLXWKSTALOCKEDSAS = int (*)(PVOID pWlxContext, DWORD dwSasType);
using PFWLXISLOCKOK = BOOL (*)(PVOID pWlxContext);
using PFWLXISLOGOFFOK = BOOL (*)(PVOID pWlxContext);
using PFWLXLOGOFF = void (*)(PVOID pWlxContext);
using PFWLXSHUTDOWN = void (*)(PVOID pWlxContext, DWORD ShutdownType);
// 1.1
using PFWLXSCREENSAVERNOTIFY = BOOL (*)(PVOID pWlxContext, BOOL* pSecure);
using PFWLXSTARTAPPLICATION = BOOL (*)(PVOID pWlxContext, PWSTR pszDesktopName, PVOID pEnvironment,
                                       PWSTR pszCmdLine);
// 1.3
using PFWLXNETWORKPROVIDERLOAD = BOOL (*)(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo);
using PFWLXDISPLAYSTATUSMESSAGE = BOOL (*)(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions, PWSTR pTitle,
                                           PWSTR pMessage);
using PFWLXGETSTATUSMESSAGE = BOOL (*)(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage, DWORD dwBufferSize);
using PFWLXREMOVESTATUSMESSAGE = BOOL (*)(PVOID pWlxContext);
// 1.4
using PFWLXGETCONSOLESWITCHCREDENTIALS = BOOL (*)(PVOID pWlxContext, PVOID pCredInfo);
using PFWLXRECONNECTNOTIFY = void (*)(PVOID pWlxContext);
using PFWLXDISCONNECTNOTIFY = void (*)(PVOID pWlxContext);
