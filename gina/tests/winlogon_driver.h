// The tests' Winlogon: loads Vantrope, negotiates, builds a dispatch table
// of the agreed version whose dialog members run the window model's modal
// dialogs, initialises the library with it, then makes the SAS calls as
// Winlogon would. With the fake chained library (fake_gina.cpp) in the
// test's system directory (gina_test_system.h) the SAS calls open the
// chained dialogs through the hooked table.
#pragma once

#include <string>
#include <vector>

#include "platform/base/library_loader.h"
#include "platform/winlogon/wlx_dispatch.h"
#include "platform/winlogon/wlx_entry_points.h"

// One dialog opened through the driver's table (WlxDialogBox or
// WlxDialogBoxParam), as Winlogon's own member was asked.
struct WinlogonDialogCall {
  HANDLE instance;
  WORD templateId;  // 0 for a template by name
  HWND owner;
  DLGPROC procedure;
  LPARAM param;
  int result;
};

class CWinlogonDriver {
 public:
  // Loads the library (Vantrope unless told otherwise); one driver at a
  // time, since the table's members are plain functions.
  explicit CWinlogonDriver(const std::string& libraryPath = VANTROPE_LIBRARY);
  ~CWinlogonDriver();
  CWinlogonDriver(const CWinlogonDriver&) = delete;
  CWinlogonDriver& operator=(const CWinlogonDriver&) = delete;

  HMODULE Library() const { return m_library; }
  // The library's instance handle, as its own code knows it (the hInst
  // of its dialogs).
  HINSTANCE LibraryInstance() const;
  // An export of the library, cast to its type; null when missing.
  template <class Function>
  Function Entry(const char* name) const {
    return reinterpret_cast<Function>(GetProcAddress(m_library, name));
  }

  // WlxNegotiate with `winlogonVersion`. The version variable starts as
  // `initialDllVersion` and is kept as the call left it (DllVersion), so a
  // test can see it untouched on FALSE.
  BOOL Negotiate(DWORD winlogonVersion = WLX_VERSION_1_4, DWORD initialDllVersion = 0xDEADBEEF);
  DWORD DllVersion() const { return m_dllVersion; }

  // Fills the table for the agreed version (the later members stay null)
  // and calls WlxInitialize.
  BOOL Initialize();
  // The table handed to WlxInitialize: one storage of the largest version.
  WLX_DISPATCH_VERSION_1_4& Functions() { return m_functions; }
  // The table's own dialog members, as the driver filled them (before any
  // hook replaced one).
  PWLX_DIALOG_BOX_PARAM OwnDialogBoxParam() const;
  HANDLE WinlogonHandle() const { return const_cast<CWinlogonDriver*>(this); }
  PVOID Context() const { return m_context; }

  // The SAS calls.
  int LoggedOutSAS(DWORD sasType = WLX_SAS_TYPE_CTRL_ALT_DEL);
  int LoggedOnSAS(DWORD sasType = WLX_SAS_TYPE_CTRL_ALT_DEL);
  int WkstaLockedSAS(DWORD sasType = WLX_SAS_TYPE_CTRL_ALT_DEL);

  // Every dialog the table's dialog members opened, oldest first.
  const std::vector<WinlogonDialogCall>& DialogCalls() const { return m_dialogCalls; }

 private:
  static int WlxDialogBoxMember(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner, DLGPROC dlgprc);
  static int WlxDialogBoxParamMember(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner, DLGPROC dlgprc,
                                     LPARAM dwInitParam);
  static int WlxMessageBoxMember(HANDLE hWlx, HWND hwndOwner, LPWSTR lpszText, LPWSTR lpszTitle, UINT fuStyle);

  HMODULE m_library = nullptr;
  DWORD m_dllVersion = 0;
  WLX_DISPATCH_VERSION_1_4 m_functions{};
  PVOID m_context = nullptr;
  std::vector<WinlogonDialogCall> m_dialogCalls;
};
