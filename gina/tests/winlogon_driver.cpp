// The tests' Winlogon.
#include "gina/tests/winlogon_driver.h"

#include <gtest/gtest.h>

#include "platform/base/module_file_name.h"
#include "platform/windows/dialog.h"
#include "platform/windows/message_box.h"

namespace {

CWinlogonDriver* g_driver = nullptr;
LPWSTR g_station = const_cast<LPWSTR>(u"WinSta0");

WORD TemplateId(LPCWSTR name) {
  return IS_INTRESOURCE(name) ? static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name)) : 0;
}

}  // namespace

CWinlogonDriver::CWinlogonDriver(const std::string& libraryPath) {
  if (g_driver != nullptr) ADD_FAILURE() << "one Winlogon driver at a time";
  g_driver = this;
  m_library = LoadLibraryA(libraryPath.c_str());
  if (m_library == nullptr) ADD_FAILURE() << "cannot load " << libraryPath;
}

CWinlogonDriver::~CWinlogonDriver() {
  // The library stays loaded, as Winlogon keeps it: its hook may still sit
  // in a table.
  if (g_driver == this) g_driver = nullptr;
}

BOOL CWinlogonDriver::Negotiate(DWORD winlogonVersion, DWORD initialDllVersion) {
  const auto negotiate = Entry<PFWLXNEGOTIATE>("WlxNegotiate");
  if (negotiate == nullptr) return FALSE;
  DWORD dllVersion = initialDllVersion;
  const BOOL result = negotiate(winlogonVersion, &dllVersion);
  m_dllVersion = dllVersion;
  return result;
}

HINSTANCE CWinlogonDriver::LibraryInstance() const {
  return ModuleHandleOfAddress(reinterpret_cast<const void*>(Entry<PFWLXNEGOTIATE>("WlxNegotiate")));
}

PWLX_DIALOG_BOX_PARAM CWinlogonDriver::OwnDialogBoxParam() const { return &WlxDialogBoxParamMember; }

BOOL CWinlogonDriver::Initialize() {
  m_functions = WLX_DISPATCH_VERSION_1_4{};
  m_functions.WlxMessageBox = &WlxMessageBoxMember;
  m_functions.WlxDialogBox = &WlxDialogBoxMember;
  m_functions.WlxDialogBoxParam = &WlxDialogBoxParamMember;
  const auto initialize = Entry<PFWLXINITIALIZE>("WlxInitialize");
  if (initialize == nullptr) return FALSE;
  return initialize(g_station, WinlogonHandle(), nullptr, &m_functions, &m_context);
}

int CWinlogonDriver::LoggedOutSAS(DWORD sasType) {
  const auto call = Entry<PFWLXLOGGEDOUTSAS>("WlxLoggedOutSAS");
  if (call == nullptr) return -1;
  LUID authenticationId{};
  DWORD options = 0;
  HANDLE token = nullptr;
  WLX_MPR_NOTIFY_INFO notify{};
  PVOID profile = nullptr;
  return call(m_context, sasType, &authenticationId, nullptr, &options, &token, &notify, &profile);
}

int CWinlogonDriver::LoggedOnSAS(DWORD sasType) {
  const auto call = Entry<PFWLXLOGGEDONSAS>("WlxLoggedOnSAS");
  return call != nullptr ? call(m_context, sasType, nullptr) : -1;
}

int CWinlogonDriver::WkstaLockedSAS(DWORD sasType) {
  const auto call = Entry<PFWLXWKSTALOCKEDSAS>("WlxWkstaLockedSAS");
  return call != nullptr ? call(m_context, sasType) : -1;
}

int CWinlogonDriver::WlxDialogBoxMember(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner,
                                        DLGPROC dlgprc) {
  return WlxDialogBoxParamMember(hWlx, hInst, lpszTemplate, hwndOwner, dlgprc, 0);
}

int CWinlogonDriver::WlxDialogBoxParamMember(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner,
                                             DLGPROC dlgprc, LPARAM dwInitParam) {
  CWinlogonDriver* driver = g_driver;
  if (driver == nullptr || hWlx != driver->WinlogonHandle()) {
    ADD_FAILURE() << "a dialog asked for with another Winlogon handle";
    return -1;
  }
  const std::size_t index = driver->m_dialogCalls.size();
  driver->m_dialogCalls.push_back({hInst, TemplateId(lpszTemplate), hwndOwner, dlgprc, dwInitParam, -1});
  const int result = static_cast<int>(
      DialogBoxParamW(static_cast<HINSTANCE>(hInst), lpszTemplate, hwndOwner, dlgprc, dwInitParam));
  // Nested dialogs may have grown the list.
  if (g_driver == driver) driver->m_dialogCalls[index].result = result;
  return result;
}

int CWinlogonDriver::WlxMessageBoxMember(HANDLE, HWND hwndOwner, LPWSTR lpszText, LPWSTR lpszTitle, UINT fuStyle) {
  return MessageBoxW(hwndOwner, lpszText, lpszTitle, fuStyle);
}
