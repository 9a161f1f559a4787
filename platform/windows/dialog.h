// Dialogs: templates as data (what a dialog resource holds), modeless and
// modal dialogs made from them, the dialog class's default handling and
// the dialog check of a message loop. Positions and sizes in a template
// are dialog units; a unit is a quarter of 6 pixels across and an eighth of
// 13 pixels down (the base units of the 8-point dialog font). A template
// with a typeface gets a font of it (created with the dialog, set on it and
// its controls, deleted with it).
//
// A modal dialog's loop runs on the calling thread; when its queue is empty
// it asks the host's agent to act as the user (user_agent.h), and without
// an agent, or when the agent has nothing more to do, it closes the dialog
// as the user would (WM_CLOSE, which the dialog class turns into Cancel),
// so a host never waits for a user who is not there.
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

// A modal dialog of the template: the dialog (shown), its owner disabled
// while it runs (and enabled again after when it was enabled before), its
// loop until EndDialog, then the dialog destroyed; EndDialog's result, or
// -1 when the dialog cannot be made. Modal dialogs nest: a dialog
// procedure may open another.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate* dialogTemplate, HWND owner,
                                DLGPROC procedure, LPARAM param);
// The same from the module's RT_DIALOG resource (a number,
// MAKEINTRESOURCE); -1 with the resource's last error when there is none.
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);
// Ends the modal dialog's loop with `result` (a modeless dialog is hidden);
// FALSE for no dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);

// Whether `message` is for the dialog or one of its controls; if so it has
// been dispatched.
BOOL IsDialogMessageA(HWND dialog, MSG* message);
