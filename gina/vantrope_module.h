// What the dialog extension keeps from Winlogon for its dialogs: the
// Winlogon handle and dispatch table handed to WlxInitialize, and this
// library's own module handle (its resources hold dialogs 101 to 104 and
// icon 128). Dialogs of this library are opened through Winlogon's table.
// CentreDialog and GetDlgItemString are in dialog_helpers.h.
#pragma once

#include "gina/dialog_helpers.h"
#include "platform/base/library_loader.h"
#include "platform/winlogon/wlx_dispatch.h"

// Kept by WlxInitialize.
void KeepWinlogonState(HANDLE winlogon, WLX_DISPATCH_VERSION_1_0* functions);
// The hWlx argument of WlxInitialize; null before it.
HANDLE WinlogonHandle();
// Winlogon's own table (every version starts with the 1.0 members); null
// before WlxInitialize. Its WlxDialogBoxParam member holds the hook once
// installed.
WLX_DISPATCH_VERSION_1_0* WinlogonFunctions();

// This library's instance handle.
HINSTANCE VantropeModule();

// Dialog `templateId` of this library, modal, through the table's
// WlxDialogBox (WlxDialogBoxParam with an initial parameter) with the saved
// Winlogon handle: what the dialog ended with; -1 before WlxInitialize.
int OpenLibraryDialog(WORD templateId, HWND owner, DLGPROC procedure);
int OpenLibraryDialogParam(WORD templateId, HWND owner, DLGPROC procedure, LPARAM param);
