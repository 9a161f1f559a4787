// Windows: creation and destruction, state, text, place, focus and the
// sending of messages.
#include "platform/windows/window.h"

#include <algorithm>

#include "platform/base/last_error.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window_table.h"

namespace {

bool SameClass(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
    const char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

WNDPROC ClassProcedure(std::u16string_view className) {
  if (SameClass(className, u"EDIT")) return EditControlProcedure;
  if (SameClass(className, u"#32770")) return DialogWindowProcedure;
  return DefWindowProcW;
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, std::intptr_t menuOrId, HINSTANCE, void*) {
  if (className == nullptr || IS_INTRESOURCE(className) || (parent != nullptr && !IsWindow(parent)) ||
      ((style & WS_CHILD) != 0 && parent == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  EnsureThreadQueue();
  CWindowRecord record;
  record.className = className;
  record.text = windowName != nullptr ? windowName : u"";
  record.style = style;
  record.exStyle = exStyle;
  record.rect = RECT{x, y, x + width, y + height};
  if ((style & WS_CHILD) != 0) {
    record.parent = parent;
    record.id = static_cast<int>(menuOrId);
  } else {
    record.owner = parent;
  }
  record.procedure = ClassProcedure(record.className);
  record.thread = std::this_thread::get_id();
  return AddWindowRecord(std::move(record));
}

BOOL DestroyWindow(HWND window) {
  const auto record = WindowRecordCopy(window);
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (record->thread != std::this_thread::get_id()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  for (HWND owned : WindowsOwnedBy(window)) DestroyWindow(owned);
  CallWindowProcedureHere(window, WM_DESTROY, 0, 0);
  for (HWND child : ChildWindows(window)) DestroyWindow(child);
  ForgetFocus(window);
  RemoveWindowRecord(window);
  return TRUE;
}

BOOL IsWindow(HWND window) { return window != nullptr && WindowRecordCopy(window).has_value() ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND window) { return IsDescendantWindow(parent, window) ? TRUE : FALSE; }

BOOL ShowWindow(HWND window, int command) {
  bool wasVisible = false;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    wasVisible = (r.style & WS_VISIBLE) != 0;
    if (command == SW_HIDE) {
      r.style &= ~WS_VISIBLE;
    } else {
      r.style |= WS_VISIBLE;
    }
  });
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
  const auto record = WindowRecordCopy(window);
  return record && (record->style & WS_VISIBLE) != 0 ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  bool wasDisabled = false;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    wasDisabled = (r.style & WS_DISABLED) != 0;
    if (enable) {
      r.style &= ~WS_DISABLED;
    } else {
      r.style |= WS_DISABLED;
    }
  });
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  const auto record = WindowRecordCopy(window);
  return record && (record->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) return FALSE;
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  const auto record = WindowRecordCopy(window);
  if (!record) return 0;
  const int count = std::min(static_cast<int>(record->text.size()), size - 1);
  record->text.copy(buffer, static_cast<std::size_t>(count));
  buffer[count] = 0;
  return count;
}

int GetWindowTextLengthW(HWND window) {
  const auto record = WindowRecordCopy(window);
  return record ? static_cast<int>(record->text.size()) : 0;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  const auto record = WindowRecordCopy(window);
  if (!record) return FALSE;
  RECT rect = record->rect;
  if ((flags & SWP_NOMOVE) == 0) {
    const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;
    rect = RECT{x, y, x + w, y + h};
  }
  bool sized = false;
  if ((flags & SWP_NOSIZE) == 0) {
    if ((record->style & WS_THICKFRAME) != 0) {
      MINMAXINFO limits{};
      SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
      width = std::max<int>(width, limits.ptMinTrackSize.x);
      height = std::max<int>(height, limits.ptMinTrackSize.y);
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    sized = width != rect.right - rect.left || height != rect.bottom - rect.top;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
  }
  WithWindowRecord(window, [&](CWindowRecord& r) {
    r.rect = rect;
    if ((flags & SWP_NOZORDER) == 0 && insertAfter == HWND_TOPMOST) r.exStyle |= WS_EX_TOPMOST;
    if ((flags & SWP_NOZORDER) == 0 && insertAfter == HWND_NOTOPMOST) r.exStyle &= ~WS_EX_TOPMOST;
    if ((flags & SWP_SHOWWINDOW) != 0) r.style |= WS_VISIBLE;
    if ((flags & SWP_HIDEWINDOW) != 0) r.style &= ~WS_VISIBLE;
  });
  if (sized) {
    SendMessageW(window, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(rect.right - rect.left), static_cast<WORD>(rect.bottom - rect.top)));
  }
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  const auto record = WindowRecordCopy(window);
  if (!record || rect == nullptr) return FALSE;
  *rect = record->rect;
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  const auto record = WindowRecordCopy(window);
  if (!record || rect == nullptr) return FALSE;
  *rect = RECT{0, 0, record->rect.right - record->rect.left, record->rect.bottom - record->rect.top};
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  for (HWND child : ChildWindows(dialog)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  const auto record = WindowRecordCopy(window);
  return record ? record->id : 0;
}

HWND GetParent(HWND window) {
  const auto record = WindowRecordCopy(window);
  if (!record) return nullptr;
  return record->parent != nullptr ? record->parent : record->owner;
}

HWND GetWindow(HWND window, UINT command) {
  const auto record = WindowRecordCopy(window);
  return record && command == GW_OWNER ? record->owner : nullptr;
}

HWND SetFocus(HWND window) {
  const auto record = WindowRecordCopy(window);
  if (!record) return nullptr;
  const HWND previous = SwapFocus(record->thread, window);
  if (previous != nullptr && previous != window) {
    SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  }
  SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus() { return FocusOf(std::this_thread::get_id()); }

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto record = WindowRecordCopy(window);
  if (!record) return 0;
  if (record->thread == std::this_thread::get_id() || !ThreadHasQueue(record->thread)) {
    return CallWindowProcedureHere(window, message, wParam, lParam);
  }
  return SendToThread(record->thread, window, message, wParam, lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      return WithWindowRecord(window, [&](CWindowRecord& r) { r.text = text != nullptr ? text : u""; }) ? TRUE : FALSE;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  LONG_PTR previous = 0;
  if (index != GWLP_USERDATA) return 0;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    previous = r.userData;
    r.userData = value;
  });
  return previous;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  const auto record = WindowRecordCopy(window);
  return record && index == GWLP_USERDATA ? record->userData : 0;
}

std::optional<WindowDescription> DescribeWindow(HWND window) {
  const auto record = WindowRecordCopy(window);
  if (!record) return std::nullopt;
  WindowDescription d;
  d.handle = record->handle;
  d.className = record->className;
  d.id = record->id;
  d.text = record->text;
  d.style = record->style;
  d.exStyle = record->exStyle;
  d.rect = record->rect;
  d.enabled = (record->style & WS_DISABLED) == 0;
  d.visible = (record->style & WS_VISIBLE) != 0;
  d.parent = record->parent;
  d.owner = record->owner;
  return d;
}

std::vector<HWND> WindowsOwnedBy(HWND owner) {
  return FindWindowRecords([owner](const CWindowRecord& r) { return r.owner == owner && r.parent == nullptr; });
}

std::vector<HWND> ChildWindows(HWND parent) {
  return FindWindowRecords([parent](const CWindowRecord& r) { return r.parent == parent; });
}
