// The hook in Winlogon's table, sorting the chained library's dialogs by
// template id.
#include "gina/dialog_hook.h"

#include "gina/change_password_dialog.h"
#include "gina/logon_dialogs.h"
#include "gina/password_rules_dialog.h"
#include "gina/vantrope_module.h"
#include "gina/vantrope_resources.h"
#include "gina/winlogon_switches.h"

namespace {

PWLX_DIALOG_BOX_PARAM g_savedDialogBoxParam = nullptr;

}  // namespace

void InstallDialogHook(WLX_DISPATCH_VERSION_1_0* functions) {
  if (functions == nullptr) return;
  // A second initialisation must not save the hook as Winlogon's own.
  if (functions->WlxDialogBoxParam != &DialogBoxParamHook) g_savedDialogBoxParam = functions->WlxDialogBoxParam;
  functions->WlxDialogBoxParam = &DialogBoxParamHook;
}

int DialogBoxParamHook(HANDLE hWlx, HANDLE hInst, LPWSTR lpszTemplate, HWND hwndOwner, DLGPROC dlgprc,
                       LPARAM dwInitParam) {
  DLGPROC procedure = dlgprc;
  if (IS_INTRESOURCE(lpszTemplate)) {
    switch (LOWORD(reinterpret_cast<std::uintptr_t>(lpszTemplate))) {
      case IDD_CHAINED_LOGON_OLD:
      case IDD_CHAINED_LOGON:
        SaveLogonDlgProc(dlgprc);
        procedure = &LogonDlgSubclassProc;
        break;
      case IDD_CHAINED_UNLOCK_OLD:
      case IDD_CHAINED_UNLOCK:
        SaveUnlockDlgProc(dlgprc);
        procedure = &UnlockDlgSubclassProc;
        break;
      case IDD_CHAINED_CHANGE_PASSWORD_OLD:
      case IDD_CHAINED_CHANGE_PASSWORD:
        if (IsEnforcePasswordEnabled()) {
          const WLX_DISPATCH_VERSION_1_0* functions = WinlogonFunctions();
          if (functions == nullptr || functions->WlxDialogBox == nullptr) return 0;
          const int accepted =
              functions->WlxDialogBox(hWlx, VantropeModule(), const_cast<LPWSTR>(MAKEINTRESOURCEW(IDD_PASSWORD_RULES)),
                                      hwndOwner, &PasswordRulesDlgProc);
          if (accepted != 1) return 0;
          SaveChangePasswordDlgProc(dlgprc);
          procedure = &ChangePasswordDlgProc;
        }
        break;
      default:
        break;
    }
  }
  if (g_savedDialogBoxParam == nullptr) return -1;
  return g_savedDialogBoxParam(hWlx, hInst, lpszTemplate, hwndOwner, procedure, dwInitParam);
}
