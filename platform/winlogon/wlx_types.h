// The GINA interface's basic shapes: Winlogon's interface version numbers and
// the few structures that its entry points and dispatch tables pass. Nothing
// in this system reads into the opaque ones; they are pointers handed on.
// See wlx_dispatch.h for Winlogon's tables and wlx_entry_points.h for the
// library's calls.
#pragma once

#include <cstdint>

#include "platform/base/wintypes.h"
#include "platform/windows/window_types.h"

using HANDLE = void*;
using PHANDLE = HANDLE*;
using PVOID = void*;
using PDWORD = DWORD*;
using PWSTR = WCHAR*;
using ULONG_PTR = std::uintptr_t;
using PSID = void*;

// Winlogon's interface versions: major in the high word, minor in the low.
inline constexpr DWORD WLX_VERSION_1_0 = 0x00010000;
inline constexpr DWORD WLX_VERSION_1_1 = 0x00010001;
inline constexpr DWORD WLX_VERSION_1_2 = 0x00010002;
inline constexpr DWORD WLX_VERSION_1_3 = 0x00010003;
inline constexpr DWORD WLX_VERSION_1_4 = 0x00010004;
inline constexpr DWORD WLX_CURRENT_VERSION = WLX_VERSION_1_4;

// Secure attention sequence kinds.
inline constexpr DWORD WLX_SAS_TYPE_TIMEOUT = 0;
inline constexpr DWORD WLX_SAS_TYPE_CTRL_ALT_DEL = 1;
inline constexpr DWORD WLX_SAS_TYPE_SCRNSVR_TIMEOUT = 2;
inline constexpr DWORD WLX_SAS_TYPE_SCRNSVR_ACTIVITY = 3;
inline constexpr DWORD WLX_SAS_TYPE_USER_LOGOFF = 4;

// A locally unique identifier (the logon session's).
struct LUID {
  DWORD LowPart;
  LONG HighPart;
};
using PLUID = LUID*;

// A desktop handle.
struct HDESK__;
using HDESK = HDESK__*;

// What a logon hands to the network providers.
struct WLX_MPR_NOTIFY_INFO {
  PWSTR pszUserName;
  PWSTR pszDomain;
  PWSTR pszPassword;
  PWSTR pszOldPassword;
};
using PWLX_MPR_NOTIFY_INFO = WLX_MPR_NOTIFY_INFO*;

// Handed on unread.
struct WLX_DESKTOP;
using PWLX_DESKTOP = WLX_DESKTOP*;
struct WLX_CLIENT_CREDENTIALS_INFO_V1_0;
using PWLX_CLIENT_CREDENTIALS_INFO_V1_0 = WLX_CLIENT_CREDENTIALS_INFO_V1_0*;
struct WLX_CLIENT_CREDENTIALS_INFO_V2_0;
using PWLX_CLIENT_CREDENTIALS_INFO_V2_0 = WLX_CLIENT_CREDENTIALS_INFO_V2_0*;
struct WLX_CONSOLESWITCH_CREDENTIALS_INFO_V1_0;
using PWLX_CONSOLESWITCH_CREDENTIALS_INFO_V1_0 = WLX_CONSOLESWITCH_CREDENTIALS_INFO_V1_0*;
struct WLX_TERMINAL_SERVICES_DATA;
using PWLX_TERMINAL_SERVICES_DATA = WLX_TERMINAL_SERVICES_DATA*;

// A dialog template in memory: the window model's own form (platform/windows/dialog.h).
struct DialogTemplate;
using LPCDLGTEMPLATE = const DialogTemplate*;
