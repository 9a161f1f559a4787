// The chained library's logon and unlock dialogs, subclassed: each keeps its
// own procedure and gains the "Reset Password" button (and, on the logon
// dialog, "Unlock Account") when VNKResetPassword is on. The buttons open
// the reset dialog. Layout rules: button_layout.h.
#pragma once

#include "platform/windows/window_types.h"

// The extension's own buttons' control ids; the id is also the reset
// dialog's initial parameter.
inline constexpr int IDC_RESET_PASSWORD_BUTTON = 4000;
inline constexpr int IDC_UNLOCK_ACCOUNT_BUTTON = 4001;

// The procedure the chained library gave for the latest dialog of the kind.
void SaveLogonDlgProc(DLGPROC procedure);
void SaveUnlockDlgProc(DLGPROC procedure);

// Dialog 102, the reset dialog the buttons open: initial parameter 4001
// runs it in unlock mode, anything else in reset mode (reset_dialogs.h has
// its neighbours).
INT_PTR ResetPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR LogonDlgSubclassProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR UnlockDlgSubclassProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
