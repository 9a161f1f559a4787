// Where the extension's buttons go in the chained library's dialogs, from
// the screen rectangles of the dialogs' own items. Pure arithmetic, so the
// rules read apart from the windows they move.
#pragma once

#include "platform/windows/window_types.h"

// Logon dialog: OK (item 1), Cancel (item 2) and the options button's right
// edge (item 1514), all as screen rectangles; the two new buttons share the
// row under OK, together as wide as OK's left edge to item 1514's right.
struct LogonButtonLayout {
  LONG gap;     // between OK and Cancel, less one
  LONG width;   // of each new button
  LONG height;  // OK's
  // In screen coordinates: the dialog's growth is gap + height.
  RECT resetButton;
  RECT unlockButton;
};
LogonButtonLayout LayoutLogonButtons(const RECT& ok, const RECT& cancel, const RECT& options);

// Unlock dialog: P (item 1800), Q (item 1803) and Cancel (item 2) as screen
// rectangles. The dialog grows by Q.bottom - P.bottom; the button sits under
// Q as far below it as Q is below P, from Q's left to Cancel's right.
struct UnlockButtonLayout {
  LONG growth;
  RECT resetButton;  // screen coordinates
};
UnlockButtonLayout LayoutUnlockButton(const RECT& p, const RECT& q, const RECT& cancel);
