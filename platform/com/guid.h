// Globally unique identifiers in the Windows 16-byte layout: the identities
// of interfaces, classes and type libraries. Their text form is in objbase.h.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/base/wintypes.h"

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPOLESTR = WCHAR*;
using LPCOLESTR = const WCHAR*;

// Identities compare as their 16 bytes.
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
