// The rule check on the change-password dialog's OK.
#include "gina/change_password_dialog.h"

#include <string>

#include "gina/dialog_helpers.h"
#include "gina/winlogon_switches.h"
#include "platform/base/wipe.h"
#include "rules/rule_engine.h"

namespace {

// The chained library's items.
constexpr int IDC_CHANGE_USER_NAME = 1702;
constexpr int IDC_CHANGE_DOMAIN = 1704;
constexpr int IDC_CHANGE_OLD_PASSWORD = 1706;
constexpr int IDC_CHANGE_NEW_PASSWORD = 1708;
constexpr int IDC_CHANGE_CONFIRMATION = 1710;

DLGPROC g_changePasswordProc = nullptr;

// Whether the rules let the OK through: unequal passwords are for the
// dialog itself to refuse, so they pass unchecked.
bool RulesAllowOk(HWND dialog) {
  std::string userName, domain, oldPassword, newPassword, confirmation;
  const CWipeOnExit<char> wipeOld(oldPassword), wipeNew(newPassword), wipeConfirmation(confirmation);
  GetDlgItemString(dialog, IDC_CHANGE_USER_NAME, userName);
  GetDlgItemString(dialog, IDC_CHANGE_DOMAIN, domain);
  GetDlgItemString(dialog, IDC_CHANGE_OLD_PASSWORD, oldPassword);
  GetDlgItemString(dialog, IDC_CHANGE_NEW_PASSWORD, newPassword);
  GetDlgItemString(dialog, IDC_CHANGE_CONFIRMATION, confirmation);
  if (newPassword != confirmation || !IsEnforcePasswordEnabled()) return true;
  // The engine shows its own rejection, owned by the dialog.
  std::string message;
  return EnforcePasswordRules(dialog, userName, "", domain, newPassword, oldPassword, message) != 0;
}

}  // namespace

void SaveChangePasswordDlgProc(DLGPROC procedure) { g_changePasswordProc = procedure; }

INT_PTR ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Every OK, whether clicked or sent by the keyboard's Enter (no window in
  // lParam), is checked.
  if (message == WM_COMMAND && HIWORD(wParam) == 0 && LOWORD(wParam) == IDOK && !RulesAllowOk(dialog)) return 0;
  return g_changePasswordProc != nullptr ? g_changePasswordProc(dialog, message, wParam, lParam) : 0;
}
