// Winlogon's handle and table, and this library's module.
#include "gina/vantrope_module.h"

#include "platform/base/module_file_name.h"

namespace {

HANDLE g_winlogon = nullptr;
WLX_DISPATCH_VERSION_1_0* g_functions = nullptr;

LPWSTR TemplateName(WORD id) { return const_cast<LPWSTR>(MAKEINTRESOURCEW(id)); }

}  // namespace

void KeepWinlogonState(HANDLE winlogon, WLX_DISPATCH_VERSION_1_0* functions) {
  g_winlogon = winlogon;
  g_functions = functions;
}

HANDLE WinlogonHandle() { return g_winlogon; }
WLX_DISPATCH_VERSION_1_0* WinlogonFunctions() { return g_functions; }

HINSTANCE VantropeModule() { return ModuleHandleOfAddress(reinterpret_cast<const void*>(&VantropeModule)); }

int OpenLibraryDialog(WORD templateId, HWND owner, DLGPROC procedure) {
  if (g_functions == nullptr || g_functions->WlxDialogBox == nullptr) return -1;
  return g_functions->WlxDialogBox(g_winlogon, VantropeModule(), TemplateName(templateId), owner, procedure);
}

int OpenLibraryDialogParam(WORD templateId, HWND owner, DLGPROC procedure, LPARAM param) {
  if (g_functions == nullptr || g_functions->WlxDialogBoxParam == nullptr) return -1;
  return g_functions->WlxDialogBoxParam(g_winlogon, VantropeModule(), TemplateName(templateId), owner, procedure,
                                        param);
}
