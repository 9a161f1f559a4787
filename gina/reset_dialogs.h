// The reset and unlock dialogs that the buttons added to Winlogon's dialogs
// open: the reset dialog (102) finds the reset service and looks the user
// up, the question dialog (103) checks each answer here, then the
// new-password dialog (104) sends the new password or DoUnlockAccount the
// unlock. Their shared state is reset_dialog_state.h, their transport
// reset_record_client.h. ResetPasswordDlgProc itself is declared with the
// hook that opens it.
#pragma once

#include "platform/windows/window.h"

// Dialog 103: ends with 1 when every question was answered right, 0 on
// Cancel.
INT_PTR ResetQuestionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog 104: ends with 1 when the service set the password, 0 on Cancel.
INT_PTR NewPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sends the unlock of the looked-up user; the reply's result (1 unlocked, 0
// refused), or 0 when the exchange failed. The reply is shown in a message
// box owned by `owner`.
int DoUnlockAccount(HWND owner);

// Shows or hides the log list of the reset dialog, moving its buttons and
// sizing the dialog to match.
void ShowDetails(HWND dialog, BOOL show);
