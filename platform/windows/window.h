// user32's windows, modelled: nothing draws, but every window the clients
// create is a record with its class, id, text, style, rectangle, enabled
// and visible state, parent and owner, procedure and thread, font and
// icons, that the procedures change through messages and a host reads
// (DescribeWindow). Messages travel as on Windows: a message sent to a
// window of another thread waits until that thread takes it
// (message_queue.h).
//
// Coordinates are pixels on a screen of 1024 x 768 (GetSystemMetrics).
// There is no frame, so a window's client area is its whole rectangle: a
// top-level window's position is in screen coordinates, a child's in its
// parent's client coordinates, and GetWindowRect answers screen
// coordinates (a child's rectangle moved by its parents' origins).
//
// Every procedure sees wide messages; the A calls convert between UTF-8
// (the ANSI code page) and the records' UTF-16 (window_ansi.cpp).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/windows/window_types.h"

// A window of `className`. The built-in classes are "EDIT", "BUTTON",
// "STATIC", "LISTBOX", "COMBOBOX" (their messages and styles are in
// window_types.h) and the dialog class
// "#32770" (dialog.h); any other name gets the default procedure. For
// WS_CHILD `parent` is the parent and `menuOrId` the control id; else
// `parent` is the owner (the desktop window: none). Null with
// ERROR_INVALID_PARAMETER for a parent or owner that is no window.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, std::intptr_t menuOrId, HINSTANCE instance, void* param);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
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
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Copies at most size - 1 characters and a zero; the characters copied.
int GetWindowTextW(HWND window, LPWSTR buffer, int size);
int GetWindowTextLengthW(HWND window);
// The UTF-8 form: at most size - 1 bytes, never cutting a character, and a
// zero; the bytes copied. The length is the UTF-8 form's in bytes.
int GetWindowTextA(HWND window, LPSTR buffer, int size);
int GetWindowTextLengthA(HWND window);

// The text of the dialog's control `id`, as GetWindowText of it.
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);

// Moves and sizes the window (x, y in the parent's client coordinates for a
// child, else the screen's); a new size first asks WM_GETMINMAXINFO for the
// least tracking size of a resizable window, then sends WM_SIZE with the
// client size. SWP_NOMOVE, SWP_NOSIZE and SWP_NOZORDER leave the position,
// the size and the stacking as they are.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// In screen coordinates.
BOOL GetWindowRect(HWND window, RECT* rect);
// {0, 0, width, height}.
BOOL GetClientRect(HWND window, RECT* rect);
// Between a window's client coordinates and the screen's (a null window
// or the desktop window is the screen). MapWindowPoints answers the
// offset added, x in its low word and y in its high word.
BOOL ScreenToClient(HWND window, POINT* point);
BOOL ClientToScreen(HWND window, POINT* point);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

// Marks part of the window's client area (null: all of it) for redrawing;
// nothing draws, so the model keeps the last such rectangle and the erase
// flag for a host to read (DescribeWindow).
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);

// The desktop window: the whole screen; a window made with it as its
// parent or owner is a top-level window without an owner.
HWND GetDesktopWindow();
// The model's screen: 1024 x 768 pixels.
int GetSystemMetrics(int index);
// The window the user works in; a host reads it with GetForegroundWindow.
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();

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
// The same without waiting for a window of another thread (the message
// is queued for it there): how notices such as WM_ENABLE and WM_ENTERIDLE
// travel, so that a thread that is not taking messages never holds up the
// sender.
BOOL SendNotifyMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The same with the text of WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH and the
// LB_ and CB_ string messages in UTF-8 (lengths and copies in bytes; a copy
// never cuts a character); other messages pass unchanged.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// What a procedure hands on for messages it does not handle: the text
// (WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH), the font (WM_SETFONT,
// WM_GETFONT) and the icons (WM_SETICON, WM_GETICON) of every window.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Runs `procedure` with the message: how a subclassing procedure hands on
// to the one it replaced.
LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Per-window values: GWL_STYLE, GWL_EXSTYLE, GWL_ID, GWLP_USERDATA and
// GWLP_WNDPROC (a window procedure). 0 for another index or no window; the
// Set calls answer the value before.
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG GetWindowLongW(HWND window, int index);
LONG GetWindowLongA(HWND window, int index);

// --- the host's view: what the screen would show

struct WindowDescription {
  HWND handle = nullptr;
  std::u16string className;
  int id = 0;
  std::u16string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  // Where SetWindowPos put it: in the parent's client coordinates for a
  // child, else the screen's.
  RECT rect{};
  // GetWindowRect's answer.
  RECT screenRect{};
  bool enabled = false;
  bool visible = false;
  HWND parent = nullptr;
  HWND owner = nullptr;
  HFONT font = nullptr;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  // The last InvalidateRect, in the window's client coordinates.
  std::optional<RECT> invalidated;
  bool invalidatedErase = false;
  // The lines of a list or combo box, and its selection (-1 for none).
  std::vector<std::u16string> items;
  int selection = -1;
  // The resource id of a dialog made from a module's template (0 for one
  // made from a template in memory, or no dialog).
  WORD dialogTemplateId = 0;
};

// Nothing when `window` is no window.
std::optional<WindowDescription> DescribeWindow(HWND window);
// The live top-level windows that `owner` owns, oldest first.
std::vector<HWND> WindowsOwnedBy(HWND owner);
// The live children of `parent`, oldest first.
std::vector<HWND> ChildWindows(HWND parent);
