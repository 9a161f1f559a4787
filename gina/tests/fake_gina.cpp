// The tests' stand-in for the system's GINA library: every entry point
// records its call and answers a value of its own (fake_gina_record.h); the
// SAS calls open its logon (1500), unlock (1800) and change-password (1700)
// dialogs through Winlogon's dispatch table, as the real one does, so the
// hook sees them. Built in variants that leave exports out
// (fake_gina_*.map); a test copies one as msgina.so into its system
// directory.
#include <cstdint>
#include <type_traits>

#include "gina/tests/fake_gina_record.h"
#include "platform/base/module_file_name.h"
#include "platform/windows/dialog.h"
#include "platform/windows/resources.h"
#include "platform/windows/window.h"
#include "platform/winlogon/wlx_dispatch.h"
#include "platform/winlogon/wlx_entry_points.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HANDLE g_winlogon = nullptr;
WLX_DISPATCH_VERSION_1_0* g_functions = nullptr;

HINSTANCE ThisModule() { return ModuleHandleOfAddress(reinterpret_cast<const void*>(&ThisModule)); }

// Numbers and pointers alike as numbers.
template <class T>
std::uintptr_t AsNumber(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<std::uintptr_t>(value);
  } else {
    return static_cast<std::uintptr_t>(value);
  }
}

template <class... Arguments>
void RecordCall(const char* name, Arguments... arguments) {
  FakeGinaCall call{name, {AsNumber(arguments)...}};
  RecordFakeGinaCall(std::move(call));
}

// --- the dialogs, with the items the extension reads

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

const DialogItemTemplate kLogonItems[] = {
    {u"STATIC", u"User name:", 0xFFFF, WS_VISIBLE, 0, 7, 10, 50, 8},
    {u"EDIT", u"", 1502, WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 60, 8, 150, 14},
    {u"STATIC", u"Password:", 0xFFFF, WS_VISIBLE, 0, 7, 28, 50, 8},
    {u"EDIT", u"", 1503, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_PASSWORD, 0, 60, 26, 150, 14},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 60, 50, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 114, 50, 50, 14},
    {u"BUTTON", u"&Options <<", 1514, WS_VISIBLE | WS_TABSTOP, 0, 168, 50, 50, 14},
};

const DialogItemTemplate kUnlockItems[] = {
    {u"STATIC", u"This computer is in use and has been locked.", 1800, WS_VISIBLE, 0, 7, 7, 200, 16},
    {u"EDIT", u"", 1803, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_PASSWORD, 0, 60, 30, 147, 14},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 100, 52, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 157, 52, 50, 14},
};

const DialogItemTemplate kChangePasswordItems[] = {
    {u"EDIT", u"", 1702, WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 80, 7, 120, 14},
    {u"EDIT", u"", 1704, WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 80, 25, 120, 14},
    {u"EDIT", u"", 1706, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_PASSWORD, 0, 80, 43, 120, 14},
    {u"EDIT", u"", 1708, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_PASSWORD, 0, 80, 61, 120, 14},
    {u"EDIT", u"", 1710, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_PASSWORD, 0, 80, 79, 120, 14},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 96, 100, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 150, 100, 50, 14},
};

constexpr DialogTemplate MakeDialog(LPCWSTR caption, short cx, short cy, const DialogItemTemplate* items,
                                    WORD count) {
  return DialogTemplate{.style = kDialogStyle,
                        .exStyle = 0,
                        .x = 0,
                        .y = 0,
                        .cx = cx,
                        .cy = cy,
                        .caption = caption,
                        .pointSize = 8,
                        .typeface = u"MS Shell Dlg",
                        .items = items,
                        .itemCount = count};
}

const DialogTemplate kLogonDialog = MakeDialog(u"Log On to Windows", 225, 72, kLogonItems, 7);
const DialogTemplate kUnlockDialog = MakeDialog(u"Unlock Computer", 214, 74, kUnlockItems, 4);
const DialogTemplate kChangePasswordDialog =
    MakeDialog(u"Change Password", 207, 122, kChangePasswordItems, 7);

// Each dialog under both of its ids.
const ResourceEntry kResources[] = {
    {RT_DIALOG, 1450, &kLogonDialog, sizeof kLogonDialog},
    {RT_DIALOG, 1500, &kLogonDialog, sizeof kLogonDialog},
    {RT_DIALOG, 1550, &kChangePasswordDialog, sizeof kChangePasswordDialog},
    {RT_DIALOG, 1650, &kUnlockDialog, sizeof kUnlockDialog},
    {RT_DIALOG, 1700, &kChangePasswordDialog, sizeof kChangePasswordDialog},
    {RT_DIALOG, 1800, &kUnlockDialog, sizeof kUnlockDialog},
};

__attribute__((constructor)) void AtLoad() {
  RegisterModuleResources(ThisModule(), kResources, sizeof kResources / sizeof kResources[0]);
}
__attribute__((destructor)) void AtUnload() { UnregisterModuleResources(ThisModule()); }

// The dialogs' procedure: the dialog id comes as the initial parameter.
INT_PTR FakeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  static_assert(sizeof(LONG_PTR) == sizeof(LPARAM));
  WORD id = static_cast<WORD>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
  if (message == WM_INITDIALOG) {
    id = static_cast<WORD>(lParam);
    SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
  }
  RecordFakeDialogMessage({id, dialog, message, wParam, lParam});
  switch (message) {
    case WM_INITDIALOG:
      for (const int item : FakeGinaConfig().itemsRemovedAtInit) {
        if (const HWND window = GetDlgItem(dialog, item)) DestroyWindow(window);
      }
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// Opens dialog `id` through the table as the real library does.
void OpenDialog(WORD id) {
  if (!FakeGinaConfig().openDialogs || g_functions == nullptr || g_functions->WlxDialogBoxParam == nullptr) return;
  const int result = g_functions->WlxDialogBoxParam(g_winlogon, ThisModule(), const_cast<LPWSTR>(MAKEINTRESOURCEW(id)),
                                                    nullptr, &FakeDialogProc, id);
  RecordFakeDialogResult(id, result);
}

int Answer(const char* name) { return FakeGinaAnswer(name); }

}  // namespace

FAKE_EXPORT BOOL WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion) {
  RecordCall("WlxNegotiate", dwWinlogonVersion, pdwDllVersion);
  const FakeGinaSettings& settings = FakeGinaConfig();
  if (!settings.negotiateResult) return FALSE;
  *pdwDllVersion = dwWinlogonVersion < settings.answeredVersion ? dwWinlogonVersion : settings.answeredVersion;
  return settings.negotiateResult;
}

FAKE_EXPORT BOOL WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved, PVOID pWinlogonFunctions,
                               PVOID* pWlxContext) {
  RecordCall("WlxInitialize", lpWinsta, hWlx, pvReserved, pWinlogonFunctions, pWlxContext);
  g_winlogon = hWlx;
  g_functions = static_cast<WLX_DISPATCH_VERSION_1_0*>(pWinlogonFunctions);
  if (pWlxContext != nullptr) *pWlxContext = FakeGinaContext();
  return Answer("WlxInitialize");
}

FAKE_EXPORT void WlxDisplaySASNotice(PVOID pWlxContext) { RecordCall("WlxDisplaySASNotice", pWlxContext); }

FAKE_EXPORT int WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId, PSID pLogonSid,
                                PDWORD pdwOptions, PHANDLE phToken, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo,
                                PVOID* pProfile) {
  RecordCall("WlxLoggedOutSAS", pWlxContext, dwSasType, pAuthenticationId, pLogonSid, pdwOptions, phToken,
             pNprNotifyInfo, pProfile);
  OpenDialog(FakeGinaConfig().logonDialogId);
  return Answer("WlxLoggedOutSAS");
}

FAKE_EXPORT BOOL WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName, PWSTR pszMprLogonScript,
                                      PVOID pEnvironment) {
  RecordCall("WlxActivateUserShell", pWlxContext, pszDesktopName, pszMprLogonScript, pEnvironment);
  return Answer("WlxActivateUserShell");
}

FAKE_EXPORT int WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved) {
  RecordCall("WlxLoggedOnSAS", pWlxContext, dwSasType, pReserved);
  OpenDialog(FakeGinaConfig().changePasswordDialogId);
  return Answer("WlxLoggedOnSAS");
}

FAKE_EXPORT void WlxDisplayLockedNotice(PVOID pWlxContext) { RecordCall("WlxDisplayLockedNotice", pWlxContext); }

FAKE_EXPORT BOOL WlxIsLockOk(PVOID pWlxContext) {
  RecordCall("WlxIsLockOk", pWlxContext);
  return Answer("WlxIsLockOk");
}

FAKE_EXPORT int WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType) {
  RecordCall("WlxWkstaLockedSAS", pWlxContext, dwSasType);
  OpenDialog(FakeGinaConfig().unlockDialogId);
  return Answer("WlxWkstaLockedSAS");
}

FAKE_EXPORT BOOL WlxIsLogoffOk(PVOID pWlxContext) {
  RecordCall("WlxIsLogoffOk", pWlxContext);
  return Answer("WlxIsLogoffOk");
}

FAKE_EXPORT void WlxLogoff(PVOID pWlxContext) { RecordCall("WlxLogoff", pWlxContext); }

FAKE_EXPORT void WlxShutdown(PVOID pWlxContext, DWORD ShutdownType) {
  RecordCall("WlxShutdown", pWlxContext, ShutdownType);
}

FAKE_EXPORT BOOL WlxScreenSaverNotify(PVOID pWlxContext, BOOL* pSecure) {
  RecordCall("WlxScreenSaverNotify", pWlxContext, pSecure);
  return Answer("WlxScreenSaverNotify");
}

FAKE_EXPORT BOOL WlxStartApplication(PVOID pWlxContext, PWSTR pszDesktopName, PVOID pEnvironment, PWSTR pszCmdLine) {
  RecordCall("WlxStartApplication", pWlxContext, pszDesktopName, pEnvironment, pszCmdLine);
  return Answer("WlxStartApplication");
}

FAKE_EXPORT BOOL WlxNetworkProviderLoad(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo) {
  RecordCall("WlxNetworkProviderLoad", pWlxContext, pNprNotifyInfo);
  return Answer("WlxNetworkProviderLoad");
}

FAKE_EXPORT BOOL WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions, PWSTR pTitle,
                                         PWSTR pMessage) {
  RecordCall("WlxDisplayStatusMessage", pWlxContext, hDesktop, dwOptions, pTitle, pMessage);
  return Answer("WlxDisplayStatusMessage");
}

FAKE_EXPORT BOOL WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage, DWORD dwBufferSize) {
  RecordCall("WlxGetStatusMessage", pWlxContext, pdwOptions, pMessage, dwBufferSize);
  return Answer("WlxGetStatusMessage");
}

FAKE_EXPORT BOOL WlxRemoveStatusMessage(PVOID pWlxContext) {
  RecordCall("WlxRemoveStatusMessage", pWlxContext);
  return Answer("WlxRemoveStatusMessage");
}

FAKE_EXPORT BOOL WlxGetConsoleSwitchCredentials(PVOID pWlxContext, PVOID pCredInfo) {
  RecordCall("WlxGetConsoleSwitchCredentials", pWlxContext, pCredInfo);
  return Answer("WlxGetConsoleSwitchCredentials");
}

FAKE_EXPORT void WlxReconnectNotify(PVOID pWlxContext) { RecordCall("WlxReconnectNotify", pWlxContext); }

FAKE_EXPORT void WlxDisconnectNotify(PVOID pWlxContext) { RecordCall("WlxDisconnectNotify", pWlxContext); }
