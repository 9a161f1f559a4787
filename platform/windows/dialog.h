// Dialogs: templates as data (what a dialog resource holds), modeless
// dialogs made from them, the dialog class's default handling and the
// dialog check of a message loop. Positions and sizes in a template are
// dialog units; a unit is a quarter of 6 pixels across and an eighth of 13
// pixels down (the base units of the 8-point dialog font).
#pragma once

#include "platform/windows/window.h"

struct DialogItemTemplate {
  LPCWSTR className;  // "EDIT", "BUTTON", "STATIC", ...
  LPCWSTR text;
  WORD id;
  DWORD style;  // WS_CHILD is implied
  DWORD exStyle;
  short x, y, cx, cy;
};

struct DialogTemplate {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  LPCWSTR caption;
  WORD pointSize;  // with DS_SETFONT
  LPCWSTR typeface;
  const DialogItemTemplate* items;
  WORD itemCount;
};

// Dialog units to pixels.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// A modeless dialog of the template: the dialog window (class "#32770",
// owned by `owner`) and its controls, then WM_INITDIALOG to `procedure`
// with `param` (the focus goes to the first tab-stop control when it
// answers TRUE); shown only when the template says WS_VISIBLE. The dialog
// belongs to the calling thread, whose loop must pass its messages on.
HWND CreateDialogIndirectParamW(HINSTANCE instance, const DialogTemplate* dialogTemplate, HWND owner,
                                DLGPROC procedure, LPARAM param);
// The same from the module's RT_DIALOG resource; null with the resource's
// last error when there is none.
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);

// Whether `message` is for the dialog or one of its controls; if so it has
// been dispatched.
BOOL IsDialogMessageA(HWND dialog, MSG* message);
