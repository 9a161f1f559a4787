// The reset dialog (102) that the "Reset Password" and "Unlock Account"
// buttons open: initial parameter 4001 runs it in unlock mode, anything else
// in reset mode.
#pragma once

#include "platform/windows/window_types.h"

INT_PTR ResetPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
