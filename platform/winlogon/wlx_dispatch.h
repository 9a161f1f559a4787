// Winlogon's dispatch tables, versions 1.0 to 1.4: the services Winlogon
// offers a GINA library, handed to WlxInitialize. Each later version keeps
// the earlier members in their published order and adds its own at the end,
// so a library built apart finds WlxDialogBox and WlxDialogBoxParam at the
// same place in every version.
#pragma once

#include <cstddef>

#include "platform/winlogon/wlx_types.h"

using PWLX_USE_CTRL_ALT_DEL = void(WINAPI*)(HANDLE hWlx);
using PWLX_SET_CONTEXT_POINTER = void(WINAPI*)(HANDLE hWlx, PVOID pWlxContext);
using PWLX_SAS_NOTIFY = void(WINAPI*)(HANDLE hWlx, DWORD dwSasType);
using PWLX_SET_TIMEOUT = BOOL(WINAPI*)(HANDLE hWlx, DWORD Timeout);
using PWLX_ASSIGN_SHELL_PROTECTION = int(WINAPI*)(HANDLE hWlx, HANDLE hToken, HANDLE hProcess, HANDLE hThread);
using PWLX_MESSAGE_BOX = int(WINAPI*)(HANDLE hWlx, HWND hwndOwner, LPWSTR lpszText, LPWSTR lpszTitle, UINT fuStyle);
// The template is a resource of hInst, by name or MAKEINTRESOURCE number.
using PWLX_DIALOG_BOX = int(WINAPI*)(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner, DLGPROC dlgprc);
using PWLX_DIALOG_BOX_PARAM = int(WINAPI*)(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner,
                                           DLGPROC dlgprc, LPARAM dwInitParam);
using PWLX_DIALOG_BOX_INDIRECT = int(WINAPI*)(HANDLE hWlx, HANDLE hInst, LPCDLGTEMPLATE hDialogTemplate,
                                              HWND hwndOwner, DLGPROC dlgprc);
using PWLX_DIALOG_BOX_INDIRECT_PARAM = int(WINAPI*)(HANDLE hWlx, HANDLE hInst, LPCDLGTEMPLATE hDialogTemplate,
                                                    HWND hwndOwner, DLGPROC dlgprc, LPARAM dwInitParam);
using PWLX_SWITCH_DESKTOP_TO_USER = int(WINAPI*)(HANDLE hWlx);
using PWLX_SWITCH_DESKTOP_TO_WINLOGON = int(WINAPI*)(HANDLE hWlx);
using PWLX_CHANGE_PASSWORD_NOTIFY = int(WINAPI*)(HANDLE hWlx, PWLX_MPR_NOTIFY_INFO pMprInfo, DWORD dwChangeInfo);
// 1.1
using PWLX_GET_SOURCE_DESKTOP = BOOL(WINAPI*)(HANDLE hWlx, PWLX_DESKTOP* ppDesktop);
using PWLX_SET_RETURN_DESKTOP = BOOL(WINAPI*)(HANDLE hWlx, PWLX_DESKTOP pDesktop);
using PWLX_CREATE_USER_DESKTOP = BOOL(WINAPI*)(HANDLE hWlx, HANDLE hToken, DWORD Flags, PWSTR pszDesktopName,
                                               PWLX_DESKTOP* ppDesktop);
using PWLX_CHANGE_PASSWORD_NOTIFY_EX = int(WINAPI*)(HANDLE hWlx, PWLX_MPR_NOTIFY_INFO pMprInfo, DWORD dwChangeInfo,
                                                    PWSTR ProviderName, PVOID Reserved);
// 1.2
using PWLX_CLOSE_USER_DESKTOP = BOOL(WINAPI*)(HANDLE hWlx, PWLX_DESKTOP pDesktop, HANDLE hToken);
// 1.3
using PWLX_SET_OPTION = BOOL(WINAPI*)(HANDLE hWlx, DWORD Option, ULONG_PTR Value, ULONG_PTR* OldValue);
using PWLX_GET_OPTION = BOOL(WINAPI*)(HANDLE hWlx, DWORD Option, ULONG_PTR* Value);
using PWLX_WIN31_MIGRATE = void(WINAPI*)(HANDLE hWlx);
using PWLX_QUERY_CLIENT_CREDENTIALS = BOOL(WINAPI*)(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 pCred);
using PWLX_QUERY_IC_CREDENTIALS = BOOL(WINAPI*)(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 pCred);
using PWLX_DISCONNECT = BOOL(WINAPI*)();
using PWLX_QUERY_TERMINAL_SERVICES_DATA = DWORD(WINAPI*)(HANDLE hWlx, PWLX_TERMINAL_SERVICES_DATA pTSData,
                                                         WCHAR* UserName, WCHAR* Domain);
// 1.4
using PWLX_QUERY_CONSOLESWITCH_CREDENTIALS = DWORD(WINAPI*)(PWLX_CONSOLESWITCH_CREDENTIALS_INFO_V1_0 pCred);
using PWLX_QUERY_TS_LOGON_CREDENTIALS = BOOL(WINAPI*)(PWLX_CLIENT_CREDENTIALS_INFO_V2_0 pCred);

struct WLX_DISPATCH_VERSION_1_0 {
  PWLX_USE_CTRL_ALT_DEL WlxUseCtrlAltDel;
  PWLX_SET_CONTEXT_POINTER WlxSetContextPointer;
  PWLX_SAS_NOTIFY WlxSasNotify;
  PWLX_SET_TIMEOUT WlxSetTimeout;
  PWLX_ASSIGN_SHELL_PROTECTION WlxAssignShellProtection;
  PWLX_MESSAGE_BOX WlxMessageBox;
  PWLX_DIALOG_BOX WlxDialogBox;
  PWLX_DIALOG_BOX_PARAM WlxDialogBoxParam;
  PWLX_DIALOG_BOX_INDIRECT WlxDialogBoxIndirect;
  PWLX_DIALOG_BOX_INDIRECT_PARAM WlxDialogBoxIndirectParam;
  PWLX_SWITCH_DESKTOP_TO_USER WlxSwitchDesktopToUser;
  PWLX_SWITCH_DESKTOP_TO_WINLOGON WlxSwitchDesktopToWinlogon;
  PWLX_CHANGE_PASSWORD_NOTIFY WlxChangePasswordNotify;
};

struct WLX_DISPATCH_VERSION_1_1 {
  PWLX_USE_CTRL_ALT_DEL WlxUseCtrlAltDel;
  PWLX_SET_CONTEXT_POINTER WlxSetContextPointer;
  PWLX_SAS_NOTIFY WlxSasNotify;
  PWLX_SET_TIMEOUT WlxSetTimeout;
  PWLX_ASSIGN_SHELL_PROTECTION WlxAssignShellProtection;
  PWLX_MESSAGE_BOX WlxMessageBox;
  PWLX_DIALOG_BOX WlxDialogBox;
  PWLX_DIALOG_BOX_PARAM WlxDialogBoxParam;
  PWLX_DIALOG_BOX_INDIRECT WlxDialogBoxIndirect;
  PWLX_DIALOG_BOX_INDIRECT_PARAM WlxDialogBoxIndirectParam;
  PWLX_SWITCH_DESKTOP_TO_USER WlxSwitchDesktopToUser;
  PWLX_SWITCH_DESKTOP_TO_WINLOGON WlxSwitchDesktopToWinlogon;
  PWLX_CHANGE_PASSWORD_NOTIFY WlxChangePasswordNotify;
  PWLX_GET_SOURCE_DESKTOP WlxGetSourceDesktop;
  PWLX_SET_RETURN_DESKTOP WlxSetReturnDesktop;
  PWLX_CREATE_USER_DESKTOP WlxCreateUserDesktop;
  PWLX_CHANGE_PASSWORD_NOTIFY_EX WlxChangePasswordNotifyEx;
};

struct WLX_DISPATCH_VERSION_1_2 {
  PWLX_USE_CTRL_ALT_DEL WlxUseCtrlAltDel;
  PWLX_SET_CONTEXT_POINTER WlxSetContextPointer;
  PWLX_SAS_NOTIFY WlxSasNotify;
  PWLX_SET_TIMEOUT WlxSetTimeout;
  PWLX_ASSIGN_SHELL_PROTECTION WlxAssignShellProtection;
  PWLX_MESSAGE_BOX WlxMessageBox;
  PWLX_DIALOG_BOX WlxDialogBox;
  PWLX_DIALOG_BOX_PARAM WlxDialogBoxParam;
  PWLX_DIALOG_BOX_INDIRECT WlxDialogBoxIndirect;
  PWLX_DIALOG_BOX_INDIRECT_PARAM WlxDialogBoxIndirectParam;
  PWLX_SWITCH_DESKTOP_TO_USER WlxSwitchDesktopToUser;
  PWLX_SWITCH_DESKTOP_TO_WINLOGON WlxSwitchDesktopToWinlogon;
  PWLX_CHANGE_PASSWORD_NOTIFY WlxChangePasswordNotify;
  PWLX_GET_SOURCE_DESKTOP WlxGetSourceDesktop;
  PWLX_SET_RETURN_DESKTOP WlxSetReturnDesktop;
  PWLX_CREATE_USER_DESKTOP WlxCreateUserDesktop;
  PWLX_CHANGE_PASSWORD_NOTIFY_EX WlxChangePasswordNotifyEx;
  PWLX_CLOSE_USER_DESKTOP WlxCloseUserDesktop;
};

struct WLX_DISPATCH_VERSION_1_3 {
  PWLX_USE_CTRL_ALT_DEL WlxUseCtrlAltDel;
  PWLX_SET_CONTEXT_POINTER WlxSetContextPointer;
  PWLX_SAS_NOTIFY WlxSasNotify;
  PWLX_SET_TIMEOUT WlxSetTimeout;
  PWLX_ASSIGN_SHELL_PROTECTION WlxAssignShellProtection;
  PWLX_MESSAGE_BOX WlxMessageBox;
  PWLX_DIALOG_BOX WlxDialogBox;
  PWLX_DIALOG_BOX_PARAM WlxDialogBoxParam;
  PWLX_DIALOG_BOX_INDIRECT WlxDialogBoxIndirect;
  PWLX_DIALOG_BOX_INDIRECT_PARAM WlxDialogBoxIndirectParam;
  PWLX_SWITCH_DESKTOP_TO_USER WlxSwitchDesktopToUser;
  PWLX_SWITCH_DESKTOP_TO_WINLOGON WlxSwitchDesktopToWinlogon;
  PWLX_CHANGE_PASSWORD_NOTIFY WlxChangePasswordNotify;
  PWLX_GET_SOURCE_DESKTOP WlxGetSourceDesktop;
  PWLX_SET_RETURN_DESKTOP WlxSetReturnDesktop;
  PWLX_CREATE_USER_DESKTOP WlxCreateUserDesktop;
  PWLX_CHANGE_PASSWORD_NOTIFY_EX WlxChangePasswordNotifyEx;
  PWLX_CLOSE_USER_DESKTOP WlxCloseUserDesktop;
  PWLX_SET_OPTION WlxSetOption;
  PWLX_GET_OPTION WlxGetOption;
  PWLX_WIN31_MIGRATE WlxWin31Migrate;
  PWLX_QUERY_CLIENT_CREDENTIALS WlxQueryClientCredentials;
  PWLX_QUERY_IC_CREDENTIALS WlxQueryInetConnectorCredentials;
  PWLX_DISCONNECT WlxDisconnect;
  PWLX_QUERY_TERMINAL_SERVICES_DATA WlxQueryTerminalServicesData;
};

struct WLX_DISPATCH_VERSION_1_4 {
  PWLX_USE_CTRL_ALT_DEL WlxUseCtrlAltDel;
  PWLX_SET_CONTEXT_POINTER WlxSetContextPointer;
  PWLX_SAS_NOTIFY WlxSasNotify;
  PWLX_SET_TIMEOUT WlxSetTimeout;
  PWLX_ASSIGN_SHELL_PROTECTION WlxAssignShellProtection;
  PWLX_MESSAGE_BOX WlxMessageBox;
  PWLX_DIALOG_BOX WlxDialogBox;
  PWLX_DIALOG_BOX_PARAM WlxDialogBoxParam;
  PWLX_DIALOG_BOX_INDIRECT WlxDialogBoxIndirect;
  PWLX_DIALOG_BOX_INDIRECT_PARAM WlxDialogBoxIndirectParam;
  PWLX_SWITCH_DESKTOP_TO_USER WlxSwitchDesktopToUser;
  PWLX_SWITCH_DESKTOP_TO_WINLOGON WlxSwitchDesktopToWinlogon;
  PWLX_CHANGE_PASSWORD_NOTIFY WlxChangePasswordNotify;
  PWLX_GET_SOURCE_DESKTOP WlxGetSourceDesktop;
  PWLX_SET_RETURN_DESKTOP WlxSetReturnDesktop;
  PWLX_CREATE_USER_DESKTOP WlxCreateUserDesktop;
  PWLX_CHANGE_PASSWORD_NOTIFY_EX WlxChangePasswordNotifyEx;
  PWLX_CLOSE_USER_DESKTOP WlxCloseUserDesktop;
  PWLX_SET_OPTION WlxSetOption;
  PWLX_GET_OPTION WlxGetOption;
  PWLX_WIN31_MIGRATE WlxWin31Migrate;
  PWLX_QUERY_CLIENT_CREDENTIALS WlxQueryClientCredentials;
  PWLX_QUERY_IC_CREDENTIALS WlxQueryInetConnectorCredentials;
  PWLX_DISCONNECT WlxDisconnect;
  PWLX_QUERY_TERMINAL_SERVICES_DATA WlxQueryTerminalServicesData;
  PWLX_QUERY_CONSOLESWITCH_CREDENTIALS WlxQueryConsoleSwitchCredentials;
  PWLX_QUERY_TS_LOGON_CREDENTIALS WlxQueryTsLogonCredentials;
};

// Every version's table begins with the 1.0 table: a reader of the dialog
// members may take any version's table as a 1.0 one.
#define VARNOK_WLX_SAME_PLACE(version)                                                                   \
  static_assert(offsetof(version, WlxDialogBox) == offsetof(WLX_DISPATCH_VERSION_1_0, WlxDialogBox));     \
  static_assert(offsetof(version, WlxDialogBoxParam) == offsetof(WLX_DISPATCH_VERSION_1_0, WlxDialogBoxParam)); \
  static_assert(offsetof(version, WlxChangePasswordNotify) ==                                           \
                offsetof(WLX_DISPATCH_VERSION_1_0, WlxChangePasswordNotify))
VARNOK_WLX_SAME_PLACE(WLX_DISPATCH_VERSION_1_1);
VARNOK_WLX_SAME_PLACE(WLX_DISPATCH_VERSION_1_2);
VARNOK_WLX_SAME_PLACE(WLX_DISPATCH_VERSION_1_3);
VARNOK_WLX_SAME_PLACE(WLX_DISPATCH_VERSION_1_4);
#undef VARNOK_WLX_SAME_PLACE
static_assert(sizeof(WLX_DISPATCH_VERSION_1_0) == 13 * sizeof(void*));
static_assert(sizeof(WLX_DISPATCH_VERSION_1_1) == 17 * sizeof(void*));
static_assert(sizeof(WLX_DISPATCH_VERSION_1_2) == 18 * sizeof(void*));
static_assert(sizeof(WLX_DISPATCH_VERSION_1_3) == 25 * sizeof(void*));
static_assert(sizeof(WLX_DISPATCH_VERSION_1_4) == 27 * sizeof(void*));
