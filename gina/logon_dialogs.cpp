// The subclass procedures of the chained logon and unlock dialogs and the
// buttons they add.
#include "gina/logon_dialogs.h"

#include <cstdint>

#include "gina/button_layout.h"
#include "gina/vantrope_module.h"
#include "gina/vantrope_resources.h"
#include "gina/winlogon_switches.h"
#include "platform/windows/dialog.h"
#include "platform/windows/window.h"

namespace {

// The chained library's items that the layout reads.
constexpr int IDC_LOGON_OPTIONS = 1514;
constexpr int IDC_UNLOCK_FIRST = 1800;
constexpr int IDC_UNLOCK_LAST = 1803;

// A button the extension added, known until its dialog goes.
class CButtonWindow {
 public:
  void Attach(HWND window) { m_window = window; }
  // The button, when it is a live child of `dialog`.
  HWND WindowIn(HWND dialog) const {
    return m_window != nullptr && IsWindow(m_window) && GetParent(m_window) == dialog ? m_window : nullptr;
  }
  void ForgetIfIn(HWND dialog) {
    if (m_window != nullptr && (!IsWindow(m_window) || GetParent(m_window) == dialog)) m_window = nullptr;
  }

 private:
  HWND m_window = nullptr;
};

DLGPROC g_logonProc = nullptr;
DLGPROC g_unlockProc = nullptr;
// "Reset Password" is shared by the logon and unlock dialogs: whichever
// made one last holds it.
CButtonWindow g_resetButton;
CButtonWindow g_unlockButton;

INT_PTR CallSaved(DLGPROC procedure, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure != nullptr ? procedure(dialog, message, wParam, lParam) : 0;
}

bool ScreenRectOfItem(HWND dialog, int id, RECT& rect) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr && GetWindowRect(item, &rect) != FALSE;
}

RECT ScreenToClientRect(HWND dialog, RECT rect) {
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Grows the dialog's window by `growth` pixels down, in place.
void GrowDialog(HWND dialog, LONG growth) {
  RECT window{};
  GetWindowRect(dialog, &window);
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + growth,
               SWP_NOMOVE | SWP_NOZORDER);
}

HWND CreateButton(HWND dialog, int id, const char* text, const RECT& client, HWND fontFrom) {
  const HWND button =
      CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, client.left, client.top,
                      client.right - client.left, client.bottom - client.top, dialog, id, VantropeModule(), nullptr);
  if (button != nullptr) {
    const LRESULT font = SendMessageA(fontFrom, WM_GETFONT, 0, 0);
    SendMessageA(button, WM_SETFONT, static_cast<WPARAM>(font), MAKELPARAM(TRUE, 0));
  }
  return button;
}

void MoveButton(HWND dialog, HWND button, const RECT& client) {
  SetWindowPos(button, nullptr, client.left, client.top, client.right - client.left, client.bottom - client.top,
               SWP_NOZORDER);
  InvalidateRect(dialog, &client, FALSE);
}

// The logon dialog's OK, Cancel and options items; false when one is
// missing, and then the dialog gets no buttons.
bool LogonLayout(HWND dialog, LogonButtonLayout& layout) {
  RECT ok{}, cancel{}, options{};
  if (!ScreenRectOfItem(dialog, IDOK, ok) || !ScreenRectOfItem(dialog, IDCANCEL, cancel) ||
      !ScreenRectOfItem(dialog, IDC_LOGON_OPTIONS, options)) {
    return false;
  }
  layout = LayoutLogonButtons(ok, cancel, options);
  return true;
}

void AddLogonButtons(HWND dialog) {
  LogonButtonLayout layout{};
  if (!LogonLayout(dialog, layout)) return;
  GrowDialog(dialog, layout.height + layout.gap);
  const HWND ok = GetDlgItem(dialog, IDOK);
  g_resetButton.Attach(CreateButton(dialog, IDC_RESET_PASSWORD_BUTTON, "Reset Password",
                                    ScreenToClientRect(dialog, layout.resetButton), ok));
  g_unlockButton.Attach(CreateButton(dialog, IDC_UNLOCK_ACCOUNT_BUTTON, "Unlock Account",
                                     ScreenToClientRect(dialog, layout.unlockButton), ok));
}

// Only the buttons of this dialog move: an object may hold another
// dialog's button, or none.
void RelayoutLogonButtons(HWND dialog) {
  const HWND reset = g_resetButton.WindowIn(dialog);
  if (reset == nullptr) return;
  LogonButtonLayout layout{};
  if (!LogonLayout(dialog, layout)) return;
  MoveButton(dialog, reset, ScreenToClientRect(dialog, layout.resetButton));
  if (const HWND unlock = g_unlockButton.WindowIn(dialog)) {
    MoveButton(dialog, unlock, ScreenToClientRect(dialog, layout.unlockButton));
  }
}

void AddUnlockButton(HWND dialog) {
  RECT p{}, q{}, cancel{};
  if (!ScreenRectOfItem(dialog, IDC_UNLOCK_FIRST, p) || !ScreenRectOfItem(dialog, IDC_UNLOCK_LAST, q) ||
      !ScreenRectOfItem(dialog, IDCANCEL, cancel)) {
    return;
  }
  const UnlockButtonLayout layout = LayoutUnlockButton(p, q, cancel);
  GrowDialog(dialog, layout.growth);
  g_resetButton.Attach(CreateButton(dialog, IDC_RESET_PASSWORD_BUTTON, "Reset Password",
                                    ScreenToClientRect(dialog, layout.resetButton),
                                    GetDlgItem(dialog, IDC_UNLOCK_LAST)));
}

bool IsClickOn(WPARAM wParam, int id) { return HIWORD(wParam) == 0 && LOWORD(wParam) == id; }

}  // namespace

void SaveLogonDlgProc(DLGPROC procedure) { g_logonProc = procedure; }
void SaveUnlockDlgProc(DLGPROC procedure) { g_unlockProc = procedure; }

INT_PTR LogonDlgSubclassProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND &&
      (IsClickOn(wParam, IDC_RESET_PASSWORD_BUTTON) || IsClickOn(wParam, IDC_UNLOCK_ACCOUNT_BUTTON))) {
    OpenLibraryDialogParam(IDD_RESET_PASSWORD, dialog, &ResetPasswordDlgProc, LOWORD(wParam));
  }
  const INT_PTR result = CallSaved(g_logonProc, dialog, message, wParam, lParam);
  if (message == WM_INITDIALOG) {
    if (IsResetPasswordEnabled()) AddLogonButtons(dialog);
  } else if (message == WM_SIZE || message == WM_COMMAND) {
    RelayoutLogonButtons(dialog);
  } else if (message == WM_DESTROY) {
    g_resetButton.ForgetIfIn(dialog);
    g_unlockButton.ForgetIfIn(dialog);
  }
  return static_cast<std::int32_t>(result);
}

INT_PTR UnlockDlgSubclassProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && IsClickOn(wParam, IDC_RESET_PASSWORD_BUTTON)) {
    OpenLibraryDialog(IDD_RESET_PASSWORD, dialog, &ResetPasswordDlgProc);
  }
  const INT_PTR result = CallSaved(g_unlockProc, dialog, message, wParam, lParam);
  if (message == WM_INITDIALOG) {
    if (IsResetPasswordEnabled()) AddUnlockButton(dialog);
  } else if (message == WM_DESTROY) {
    g_resetButton.ForgetIfIn(dialog);
  }
  return result;
}
