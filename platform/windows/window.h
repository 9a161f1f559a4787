// user32's windows, modelled: nothing draws, but every window the clients
// create is a record with its class, id, text, style, rectangle, enabled
// and visible state, parent and owner, procedure and thread, that the
// procedures change through messages and a host reads (DescribeWindow).
// Messages travel as on Windows: a message sent to a window of another
// thread waits until that thread takes it (message_queue.h). Coordinates
// are pixels; there is no frame, so a window's client area is its
// rectangle.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/windows/window_types.h"

// A window of `className`. The built-in classes are "EDIT" (edit_control.h)
// and the dialog class "#32770" (dialog.h); any other name gets the default
// procedure. For WS_CHILD `parent` is the parent and `menuOrId` the control
// id; else `parent` is the owner. Null with ERROR_INVALID_PARAMETER for a
// parent or owner that is no window.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, std::intptr_t menuOrId, HINSTANCE instance, void* param);
// Destroys the window, its children and the windows it owns, each after
// WM_DESTROY; only from the thread that created it (else FALSE,
// ERROR_ACCESS_DENIED).
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsChild(HWND parent, HWND window);

BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

BOOL SetWindowTextW(HWND window, LPCWSTR text);
// Copies at most size - 1 characters and a zero; the characters copied.
int GetWindowTextW(HWND window, LPWSTR buffer, int size);
int GetWindowTextLengthW(HWND window);

// Moves and sizes the window (x, y relative to the parent's client area,
// else the screen); a new size first asks WM_GETMINMAXINFO for the least
// tracking size of a resizable window, then sends WM_SIZE with the client
// size.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND window, RECT* rect);
// {0, 0, width, height}.
BOOL GetClientRect(HWND window, RECT* rect);

HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
HWND GetParent(HWND window);
HWND GetWindow(HWND window, UINT command);

// The focus of the calling thread's windows: WM_KILLFOCUS to the window
// that had it, WM_SETFOCUS to the new one; the one that had it.
HWND SetFocus(HWND window);
HWND GetFocus();

// The window's procedure with the message, on the window's own thread.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// What a procedure hands on for messages it does not handle.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Per-window data of the class that made the window (the dialog keeps its
// procedure's state there).
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
inline constexpr int GWLP_USERDATA = -21;

// --- the host's view: what the screen would show

struct WindowDescription {
  HWND handle = nullptr;
  std::u16string className;
  int id = 0;
  std::u16string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};
  bool enabled = false;
  bool visible = false;
  HWND parent = nullptr;
  HWND owner = nullptr;
};

// Nothing when `window` is no window.
std::optional<WindowDescription> DescribeWindow(HWND window);
// The live top-level windows that `owner` owns, oldest first.
std::vector<HWND> WindowsOwnedBy(HWND owner);
// The live children of `parent`, oldest first.
std::vector<HWND> ChildWindows(HWND parent);
