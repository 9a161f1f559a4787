// Dialog 104, "New Password": the new password twice, sent to the service
// on the reset dialog's connection; a refusal leaves the dialog open for
// another try.
#include <string>

#include "RemoteSvr/common/record_client.h"
#include "gina/dialog_text.h"
#include "gina/log_list.h"
#include "gina/reset_dialog_state.h"
#include "gina/reset_dialogs.h"
#include "gina/reset_record_client.h"
#include "gina/vantrope_module.h"
#include "gina/vantrope_resources.h"
#include "platform/base/wipe.h"
#include "platform/windows/dialog.h"
#include "platform/windows/icon.h"
#include "platform/windows/message_box.h"

namespace {

// The record's field holds 255 bytes; a password is never sent cut.
constexpr char kPasswordTooLong[] =
    "The new password is too long for the Varnok Password Reset server. Please choose a shorter password.";

// Sends the password; true when the service set it.
bool SetPassword(HWND dialog, const std::string& password) {
  const CResetDialogState& state = ResetDialogState();
  PwdResetRecord record;
  BuildRequest(record, REQUEST_SET_PASSWORD, state.domain, state.userName, password);
  if (!TransactRecord(state.logList, record)) {
    WipeRecord(record);
    return false;
  }
  const std::string text = ReplyText(record);
  const bool set = ReplySucceeded(record);
  WipeRecord(record);
  AddLogLine(state.logList, text);
  MessageBoxA(dialog, text.c_str(), "New Password", set ? MB_ICONINFORMATION : MB_ICONERROR);
  return set;
}

void OnOk(HWND dialog) {
  std::string password;
  std::string confirmation;
  GetDlgItemString(dialog, IDC_NEW_PASSWORD, password);
  GetDlgItemString(dialog, IDC_CONFIRM, confirmation);
  const CWipeOnExit<char> wipePassword(password);
  const CWipeOnExit<char> wipeConfirmation(confirmation);
  if (password != confirmation) {
    MessageBoxA(dialog, "Passwords do not match, try again.", "ERROR", MB_ICONERROR);
    return;
  }
  if (!FitsRecordField(password)) {
    MessageBoxA(dialog, kPasswordTooLong, "ERROR", MB_ICONERROR);
    return;
  }
  if (SetPassword(dialog, password)) EndDialog(dialog, 1);
}

}  // namespace

INT_PTR NewPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SendMessageA(dialog, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(VantropeModule(), MAKEINTRESOURCEA(IDI_VANTROPE))));
    CentreDialog(dialog);
    SetDlgItemTextA(dialog, IDC_PROMPT, "Enter your new password, then press 'OK'.");
    return 0;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == 0) {
    switch (LOWORD(wParam)) {
      case IDOK:
        OnOk(dialog);
        return 0;
      case IDCANCEL:
        EndDialog(dialog, 0);
        return 0;
      default:
        break;
    }
  }
  const HWND password = GetDlgItem(dialog, IDC_NEW_PASSWORD);
  const HWND confirmation = GetDlgItem(dialog, IDC_CONFIRM);
  if (password != nullptr && confirmation != nullptr) {
    const bool both = GetWindowTextLengthA(password) > 0 && GetWindowTextLengthA(confirmation) > 0;
    EnableWindow(GetDlgItem(dialog, IDOK), both ? TRUE : FALSE);
  }
  return 0;
}
