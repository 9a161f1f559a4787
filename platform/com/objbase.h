// The COM basics that the directory layer (platform/adsi/adsi.h) is written
// against: HRESULT and its tests, the per-thread initialisation, interface
// identifiers of our own, and the one IUnknown method the callers use.
#pragma once

#include "platform/base/wintypes.h"

using HRESULT = LONG;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

inline constexpr DWORD FACILITY_WIN32 = 7;

constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }

// A Win32 code as the failure HRESULT of facility 7; 0 (and any value that
// is already an HRESULT failure) stands as it is.
constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
  return static_cast<HRESULT>(code) <= 0 ? static_cast<HRESULT>(code)
                                         : static_cast<HRESULT>((code & 0xFFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}
constexpr DWORD HRESULT_FACILITY(HRESULT result) { return (static_cast<DWORD>(result) >> 16) & 0x1FFFu; }
constexpr DWORD HRESULT_CODE(HRESULT result) { return static_cast<DWORD>(result) & 0xFFFFu; }

// Interface identifiers: our own small numbers, compared by value.
struct IID {
  DWORD id;
  constexpr bool operator==(const IID&) const = default;
};
using REFIID = const IID&;

// Every interface object is released by its holder; the last release frees it.
class IUnknown {
 public:
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

// COM on the calling thread: S_OK the first time, S_FALSE when it already
// is initialised; each successful call is matched by one CoUninitialize.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
