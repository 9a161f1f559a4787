// user32's message box, modelled: nothing draws here, so a box that has an
// owner window is handed to a sink that a test (or a host program) installs.
// A box without an owner shows nothing: the processes that pass none (the LSA,
// the service) have no desktop.
#pragma once

#include <functional>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/windows/window_types.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONERROR = 0x00000010;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;

inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// What a shown box carries, in UTF-8; the sink answers with the button the
// user chose.
struct MessageBoxRequest {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};
using MessageBoxSink = std::function<int(const MessageBoxRequest&)>;

// Installs the sink (an empty one removes it). Without a sink a box with an
// owner is answered IDOK at once.
void SetMessageBoxSink(MessageBoxSink sink);

// Shows the box and waits for the answer; 0 when no box was shown.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
