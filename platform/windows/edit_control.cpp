// The EDIT class: its text, its selection, and the notices to its parent
// when it takes the focus and when its text changes. No caret or scrolling
// is modelled; scrolling the caret into view always succeeds. The control
// redraws when its text changes, and so its parent hears WM_CTLCOLOREDIT
// (WM_CTLCOLORSTATIC when it is read-only or disabled), as it would while
// the user types.
#include <algorithm>
#include <limits>

#include "platform/windows/window.h"
#include "platform/windows/window_table.h"

namespace {

void Notify(HWND window, WORD code) {
  // The two fields alone: the record's text may be a password.
  HWND parent = nullptr;
  int id = 0;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    parent = r.parent;
    id = r.id;
  });
  if (parent == nullptr) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code), reinterpret_cast<LPARAM>(window));
}

}  // namespace

LRESULT EditControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      DWORD style = 0;
      WithWindowRecord(window, [&](CWindowRecord& r) {
        r.selectionStart = r.selectionEnd = 0;
        style = r.style;
      });
      const HWND parent = GetParent(window);
      if (parent != nullptr && (style & WS_CHILD) != 0) {
        const bool plain = (style & (ES_READONLY | WS_DISABLED)) == 0;
        SendMessageW(parent, plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(window));
        // A multi-line control does not report text set by a message.
        if ((style & ES_MULTILINE) == 0) Notify(window, EN_CHANGE);
      }
      return result;
    }
    case EM_SETSEL: {
      // -1 as the start removes the selection; -1 as the end is the text's end.
      WithWindowRecord(window, [&](CWindowRecord& r) {
        const auto length = static_cast<DWORD>(r.text.size());
        const auto start = static_cast<std::intptr_t>(wParam);
        const auto end = static_cast<std::intptr_t>(lParam);
        if (start == -1) {
          r.selectionStart = r.selectionEnd = std::min<DWORD>(r.selectionEnd, length);
          return;
        }
        const DWORD from = start < 0 ? length : std::min<DWORD>(static_cast<DWORD>(start), length);
        const DWORD to = end < 0 ? length : std::min<DWORD>(static_cast<DWORD>(end), length);
        r.selectionStart = std::min(from, to);
        r.selectionEnd = std::max(from, to);
      });
      return 0;
    }
    case EM_GETSEL: {
      DWORD start = 0, end = 0;
      WithWindowRecord(window, [&](CWindowRecord& r) {
        start = r.selectionStart;
        end = r.selectionEnd;
      });
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = end;
      if (start > std::numeric_limits<WORD>::max() || end > std::numeric_limits<WORD>::max()) return -1;
      return static_cast<LRESULT>(MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end)));
    }
    case EM_SCROLLCARET:
      return TRUE;
    case WM_SETFOCUS:
      Notify(window, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(window, EN_KILLFOCUS);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
