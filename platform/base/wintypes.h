// The Windows base types, constants and calling conventions that our code is
// written against, mapped onto fixed-width Linux types. Wide text is UTF-16 in
// char16_t, since wchar_t is 32 bits here.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using BOOL = int;
using BOOLEAN = std::uint8_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using PCHAR = char*;
using PWCHAR = WCHAR*;
using NTSTATUS = std::int32_t;

// Window handles are opaque; a null handle means "no owner window".
struct HWND__;
using HWND = HWND__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// The calling-convention keyword of the Windows interfaces; the one convention
// of the platform ABI here.
#define NTAPI
#define WINAPI

inline constexpr UINT MAX_PATH = 260;
