// The dialog hook: Winlogon's WlxDialogBoxParam replaced in its own table,
// so that every dialog the chained library opens passes here first. The
// logon and unlock dialogs get the reset buttons through their subclass
// procedures (logon_dialogs.h); the change-password dialog gets the rules
// dialog before it and the rule check on its OK (change_password_dialog.h).
#pragma once

#include "platform/winlogon/wlx_dispatch.h"

// The chained library's dialog ids by kind (two generations each).
inline constexpr WORD IDD_CHAINED_LOGON_OLD = 1450;
inline constexpr WORD IDD_CHAINED_LOGON = 1500;
inline constexpr WORD IDD_CHAINED_CHANGE_PASSWORD_OLD = 1550;
inline constexpr WORD IDD_CHAINED_UNLOCK_OLD = 1650;
inline constexpr WORD IDD_CHAINED_CHANGE_PASSWORD = 1700;
inline constexpr WORD IDD_CHAINED_UNLOCK = 1800;

// Saves the table's WlxDialogBoxParam and writes DialogBoxParamHook in its
// place.
void InstallDialogHook(WLX_DISPATCH_VERSION_1_0* functions);

// Stands in Winlogon's table: substitutes this library's procedures for the
// chained library's logon, unlock and change-password dialogs, then opens
// the dialog through Winlogon's own WlxDialogBoxParam. 0 without opening the
// change-password dialog when the user declines the rules.
int DialogBoxParamHook(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner, DLGPROC dlgprc,
                       LPARAM dwInitParam);
