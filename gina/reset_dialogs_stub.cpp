// Stands in for the reset dialogs until they are built: the dialog ends at
// once with 0, as a Cancel would.
#include "gina/logon_dialogs.h"

#include "platform/windows/dialog.h"

INT_PTR ResetPasswordDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) EndDialog(dialog, 0);
  return 0;
}
