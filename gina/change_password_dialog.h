// The chained library's change-password dialog, subclassed: every OK is
// checked by the rule engine first, and one the rules reject never reaches
// the dialog's own procedure.
#pragma once

#include "platform/windows/window_types.h"

// The procedure the chained library gave for the latest change-password
// dialog.
void SaveChangePasswordDlgProc(DLGPROC procedure);

INT_PTR ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
