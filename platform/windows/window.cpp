// Windows: creation and destruction, state, text, place, focus and the
// sending of messages.
#include "platform/windows/window.h"

#include <algorithm>
#include <utility>

#include "platform/base/last_error.h"
#include "platform/windows/bitmap.h"
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
  if (SameClass(className, u"BUTTON")) return ButtonControlProcedure;
  if (SameClass(className, u"LISTBOX")) return ListBoxProcedure;
  if (SameClass(className, u"COMBOBOX")) return ComboBoxProcedure;
  if (SameClass(className, u"#32770")) return DialogWindowProcedure;
  // "STATIC" and the host's own classes.
  return DefWindowProcW;
}

// The desktop window has no record: it is the screen. Record handles start
// at 0x10000, so this one is never a record's.
const HWND kDesktopWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x8));
constexpr LONG kScreenWidth = 1024;
constexpr LONG kScreenHeight = 768;

// The screen position of the window's client origin; the screen's own for
// a null window or the desktop.
bool ClientOriginOnScreen(HWND window, POINT& origin) {
  if (window == nullptr || window == kDesktopWindow) {
    origin = POINT{0, 0};
    return true;
  }
  return ScreenOriginOf(window, origin);
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, std::intptr_t menuOrId, HINSTANCE, void*) {
  if (parent == kDesktopWindow) parent = nullptr;
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
  // A dialog's own font goes with it.
  if (record->ownFont != nullptr) DeleteObject(record->ownFont);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  if (window == kDesktopWindow) return TRUE;
  return window != nullptr && IsWindowRecord(window) ? TRUE : FALSE;
}

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
  const auto style = WindowRecordField(window, &CWindowRecord::style);
  return style && (*style & WS_VISIBLE) != 0 ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  bool wasDisabled = false;
  const bool found = WithWindowRecord(window, [&](CWindowRecord& r) {
    wasDisabled = (r.style & WS_DISABLED) != 0;
    if (enable) {
      r.style &= ~WS_DISABLED;
    } else {
      r.style |= WS_DISABLED;
    }
  });
  if (found && wasDisabled == (enable != FALSE)) {
    SendNotifyMessageW(window, WM_ENABLE, enable != FALSE ? TRUE : FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  const auto style = WindowRecordField(window, &CWindowRecord::style);
  return style && (*style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) return FALSE;
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  int count = 0;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    count = std::min(static_cast<int>(r.text.size()), size - 1);
    r.text.copy(buffer, static_cast<std::size_t>(count));
  });
  buffer[count] = 0;
  return count;
}

int GetWindowTextLengthW(HWND window) {
  int length = 0;
  WithWindowRecord(window, [&](CWindowRecord& r) { length = static_cast<int>(r.text.size()); });
  return length;
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
  if (rect == nullptr) return FALSE;
  if (window == kDesktopWindow) {
    *rect = RECT{0, 0, kScreenWidth, kScreenHeight};
    return TRUE;
  }
  const auto own = WindowRecordField(window, &CWindowRecord::rect);
  POINT origin{};
  if (!own || !ScreenOriginOf(window, origin)) return FALSE;
  *rect = RECT{origin.x, origin.y, origin.x + own->right - own->left, origin.y + own->bottom - own->top};
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (rect == nullptr) return FALSE;
  if (window == kDesktopWindow) {
    *rect = RECT{0, 0, kScreenWidth, kScreenHeight};
    return TRUE;
  }
  const auto own = WindowRecordField(window, &CWindowRecord::rect);
  if (!own) return FALSE;
  *rect = RECT{0, 0, own->right - own->left, own->bottom - own->top};
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  POINT origin{};
  if (window == nullptr || point == nullptr || !ClientOriginOnScreen(window, origin)) return FALSE;
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  POINT origin{};
  if (window == nullptr || point == nullptr || !ClientOriginOnScreen(window, origin)) return FALSE;
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT fromOrigin{}, toOrigin{};
  if (!ClientOriginOnScreen(from, fromOrigin) || !ClientOriginOnScreen(to, toOrigin)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const LONG dx = fromOrigin.x - toOrigin.x, dy = fromOrigin.y - toOrigin.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<int>(MAKELPARAM(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  return WithWindowRecord(window, [&](CWindowRecord& r) {
           r.invalidated = rect != nullptr ? *rect : RECT{0, 0, r.rect.right - r.rect.left, r.rect.bottom - r.rect.top};
           r.invalidatedErase = erase != FALSE;
         })
             ? TRUE
             : FALSE;
}

BOOL UpdateWindow(HWND window) { return IsWindow(window); }

HWND GetDesktopWindow() { return kDesktopWindow; }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return kScreenWidth;
    case SM_CYSCREEN:
      return kScreenHeight;
    default:
      return 0;
  }
}

BOOL SetForegroundWindow(HWND window) {
  if (window == kDesktopWindow || !IsWindowRecord(window)) return FALSE;
  SetForegroundWindowRecord(window);
  return TRUE;
}

HWND GetForegroundWindow() { return ForegroundWindowRecord(); }

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(item, buffer, size));
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SetWindowTextW(item, text) : FALSE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SendMessageW(item, message, wParam, lParam) : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
  for (HWND child : ChildWindows(dialog)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  return WindowRecordField(window, &CWindowRecord::id).value_or(0);
}

HWND GetParent(HWND window) {
  HWND found = nullptr;
  WithWindowRecord(window, [&](CWindowRecord& r) { found = r.parent != nullptr ? r.parent : r.owner; });
  return found;
}

HWND GetWindow(HWND window, UINT command) {
  return command == GW_OWNER ? WindowRecordField(window, &CWindowRecord::owner).value_or(nullptr) : nullptr;
}

HWND SetFocus(HWND window) {
  const auto thread = WindowRecordField(window, &CWindowRecord::thread);
  if (!thread) return nullptr;
  const HWND previous = SwapFocus(*thread, window);
  if (previous != nullptr && previous != window) {
    SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  }
  SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus() { return FocusOf(std::this_thread::get_id()); }

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto thread = WindowRecordField(window, &CWindowRecord::thread);
  if (!thread) return 0;
  if (*thread == std::this_thread::get_id() || !ThreadHasQueue(*thread)) {
    return CallWindowProcedureHere(window, message, wParam, lParam);
  }
  return SendToThread(*thread, window, message, wParam, lParam);
}

BOOL SendNotifyMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto thread = WindowRecordField(window, &CWindowRecord::thread);
  if (!thread) return FALSE;
  if (*thread == std::this_thread::get_id() || !ThreadHasQueue(*thread)) {
    CallWindowProcedureHere(window, message, wParam, lParam);
    return TRUE;
  }
  return PostMessageW(window, message, wParam, lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      return WithWindowRecord(window, [&](CWindowRecord& r) { r.text = text != nullptr ? text : u""; }) ? TRUE : FALSE;
    }
    case WM_GETTEXT:
      return GetWindowTextW(window, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
      return GetWindowTextLengthW(window);
    case WM_SETFONT: {
      WithWindowRecord(window, [&](CWindowRecord& r) { r.font = reinterpret_cast<HFONT>(wParam); });
      if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0) InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case WM_GETFONT: {
      return reinterpret_cast<LRESULT>(WindowRecordField(window, &CWindowRecord::font).value_or(nullptr));
    }
    case WM_SETICON: {
      HICON previous = nullptr;
      WithWindowRecord(window, [&](CWindowRecord& r) {
        HICON& slot = wParam == ICON_BIG ? r.bigIcon : r.smallIcon;
        previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
      });
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: {
      const auto which = wParam == ICON_BIG ? &CWindowRecord::bigIcon : &CWindowRecord::smallIcon;
      const auto icon = WindowRecordField(window, which);
      return reinterpret_cast<LRESULT>(icon.value_or(nullptr));
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  LONG_PTR previous = 0;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    switch (index) {
      case GWLP_USERDATA:
        previous = std::exchange(r.userData, value);
        break;
      case GWL_STYLE:
        previous = std::exchange(r.style, static_cast<DWORD>(value));
        break;
      case GWL_EXSTYLE:
        previous = std::exchange(r.exStyle, static_cast<DWORD>(value));
        break;
      case GWL_ID:
        previous = std::exchange(r.id, static_cast<int>(value));
        break;
      case GWLP_WNDPROC:
        if (value != 0) previous = reinterpret_cast<LONG_PTR>(std::exchange(r.procedure, reinterpret_cast<WNDPROC>(value)));
        break;
      default:
        break;
    }
  });
  return previous;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  switch (index) {
    case GWLP_USERDATA:
      return WindowRecordField(window, &CWindowRecord::userData).value_or(0);
    case GWL_STYLE:
      return static_cast<LONG_PTR>(WindowRecordField(window, &CWindowRecord::style).value_or(0));
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(WindowRecordField(window, &CWindowRecord::exStyle).value_or(0));
    case GWL_ID:
      return WindowRecordField(window, &CWindowRecord::id).value_or(0);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(WindowRecordField(window, &CWindowRecord::procedure).value_or(nullptr));
    default:
      return 0;
  }
}

LONG GetWindowLongW(HWND window, int index) { return static_cast<LONG>(GetWindowLongPtrW(window, index)); }

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
  GetWindowRect(window, &d.screenRect);
  d.enabled = (record->style & WS_DISABLED) == 0;
  d.visible = (record->style & WS_VISIBLE) != 0;
  d.parent = record->parent;
  d.owner = record->owner;
  d.font = record->font;
  d.bigIcon = record->bigIcon;
  d.smallIcon = record->smallIcon;
  d.invalidated = record->invalidated;
  d.invalidatedErase = record->invalidatedErase;
  d.items = record->items;
  d.selection = record->selection;
  d.dialogTemplateId = record->dialogTemplateId;
  return d;
}

std::vector<HWND> WindowsOwnedBy(HWND owner) {
  return FindWindowRecords([owner](const CWindowRecord& r) { return r.owner == owner && r.parent == nullptr; });
}

std::vector<HWND> ChildWindows(HWND parent) {
  return FindWindowRecords([parent](const CWindowRecord& r) { return r.parent == parent; });
}
