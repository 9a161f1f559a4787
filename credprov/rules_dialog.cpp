// The rules dialog's thread, its message loop and its procedure.
#include "credprov/rules_dialog.h"

#include <atomic>
#include <future>
#include <new>

#include "credprov/tessaline_resources.h"
#include "platform/windows/dialog.h"
#include "platform/windows/message_queue.h"

namespace {

// Library-wide: one rules dialog exists at a time.
std::atomic<bool> g_dialogDestroyed{false};
std::atomic<LONG> g_minTrackWidth{0};
std::atomic<LONG> g_minTrackHeight{0};

constexpr char16_t kNoRules[] = u"MOTD not loaded.";

struct CDialogTexts {
  const std::optional<std::u16string>* text;
  const std::optional<std::u16string>* caption;
};

INT_PTR RulesDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* texts = reinterpret_cast<const CDialogTexts*>(lParam);
      if (*texts->caption) SetWindowTextW(dialog, (*texts->caption)->c_str());
      const HWND edit = GetDlgItem(dialog, IDC_RULES_TEXT);
      SetWindowTextW(edit, *texts->text ? (*texts->text)->c_str() : kNoRules);
      SendMessageW(edit, EM_SETSEL, 0, 0);
      SendMessageW(edit, EM_SCROLLCARET, 0, 0);
      RECT rect{};
      GetWindowRect(dialog, &rect);
      g_minTrackWidth = (rect.right - rect.left) * 2 / 3;
      g_minTrackHeight = (rect.bottom - rect.top) * 2 / 3;
      return TRUE;
    }
    case WM_SIZE: {
      // The text keeps its left and top offsets as margins all round.
      const HWND edit = GetDlgItem(dialog, IDC_RULES_TEXT);
      RECT rect{};
      GetWindowRect(edit, &rect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
      MoveWindow(edit, rect.left, rect.top, LOWORD(static_cast<std::uintptr_t>(lParam)) - 2 * rect.left,
                 HIWORD(static_cast<std::uintptr_t>(lParam)) - 2 * rect.top, TRUE);
      return TRUE;
    }
    case WM_GETMINMAXINFO: {
      const LONG width = g_minTrackWidth, height = g_minTrackHeight;
      if (width != 0 && height != 0) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{width, height};
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(dialog);
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_RULES_TEXT && HIWORD(wParam) == EN_SETFOCUS) {
        SendMessageW(GetDlgItem(dialog, IDC_RULES_TEXT), EM_SETSEL, 0, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      g_dialogDestroyed = true;
      // Wakes the loop, which may be waiting with nothing posted (the close
      // may have come as a sent message).
      PostQuitMessage(0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::unique_ptr<CRulesDialog> CRulesDialog::Start(HINSTANCE module, HWND owner, std::optional<std::u16string> text,
                                                  std::optional<std::u16string> caption) {
  std::unique_ptr<CRulesDialog> dialog(new (std::nothrow) CRulesDialog());
  if (dialog == nullptr) return nullptr;
  dialog->text = std::move(text);
  dialog->caption = std::move(caption);
  std::promise<HWND> made;
  std::future<HWND> madeResult = made.get_future();
  CRulesDialog* self = dialog.get();
  dialog->thread = std::thread([self, module, owner, &made] {
    const CDialogTexts texts{&self->text, &self->caption};
    const HWND window =
        CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_RULES), owner, RulesDialogProcedure, reinterpret_cast<LPARAM>(&texts));
    if (window != nullptr) SetWindowPos(window, HWND_TOPMOST, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    made.set_value(window);
    if (window == nullptr) return;
    if (!g_dialogDestroyed) {
      MSG message{};
      for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (!IsWindow(window) || !IsDialogMessageA(window, &message)) {
          TranslateMessage(&message);
          DispatchMessageA(&message);
        }
        if (g_dialogDestroyed) break;
      }
    }
    g_dialogDestroyed = false;
  });
  dialog->window = madeResult.get();
  if (dialog->window == nullptr) return nullptr;  // the thread has ended: joined by the destructor
  return dialog;
}

CRulesDialog::~CRulesDialog() {
  if (window != nullptr && IsWindow(window)) {
    ShowWindow(window, SW_HIDE);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  if (thread.joinable()) thread.join();
}
