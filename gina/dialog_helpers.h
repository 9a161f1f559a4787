// Small window operations the dialog extension's dialogs share.
#pragma once

#include <string>

#include "platform/windows/window_types.h"

// Places the window a third of the way down and half way across its area:
// the parent's window (the desktop's when it has none) for a child, else
// the screen; topmost, then in the foreground. The area's origin is not
// added.
void CentreDialog(HWND window);

// The text of item `id` of `dialog`, whole (however long).
void GetDlgItemString(HWND dialog, int id, std::string& text);
