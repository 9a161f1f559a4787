// The COM basis that the directory layer and the COM servers are written
// against: HRESULT and its tests, IUnknown and IClassFactory in their slot
// order, task memory, the per-thread initialisation, identities in text form,
// and creation of an in-process server's object by class
// (class_creation.cpp) from the registry file.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"
#include "platform/com/guid.h"

using HRESULT = LONG;
using SCODE = LONG;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT NOERROR = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);

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

// The platform's published identities.
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Every interface begins with these three slots. An object hands out
// interfaces through QueryInterface (each counted), and the last Release
// frees it.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// What a server's DllGetClassObject hands out to make its objects.
class IClassFactory : public IUnknown {
 public:
  // A new object through `riid`; with an outer object only IID_IUnknown may
  // be asked (the inner object's own IUnknown).
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  // Keeps the server loaded while locked.
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// Where an object is made: only in the calling process here.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Memory handed across an interface: freed by the receiver.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* memory);

// COM on the calling thread: S_OK the first time, S_FALSE when it already
// is initialised; each successful call is matched by one CoUninitialize.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Characters of an identity's text form with its braces.
inline constexpr int GUID_TEXT_LENGTH = 38;
// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex) and a
// zero; returns the characters written with the zero (39), or 0 when `size`
// is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int size);
// Reads that form, hex digits in either case: NOERROR, or CO_E_CLASSSTRING
// for any other text (*clsid then GUID_NULL); E_INVALIDARG without *clsid.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);

// The class of a ProgID: the default value of HKEY_CLASSES_ROOT\<ProgID>\CLSID
// in the registry file. NOERROR, CO_E_CLASSSTRING for an unknown ProgID or a
// value that is no identity, E_INVALIDARG for null arguments.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);

// The class object of an in-process server: the default value of
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 is the library, loaded once
// and kept, whose DllGetClassObject answers. REGDB_E_CLASSNOTREG without
// that key or value, CO_E_DLLNOTFOUND when it does not load,
// CO_E_ERRORINDLL when it has no DllGetClassObject, CLASS_E_CLASSNOTAVAILABLE
// for any context but CLSCTX_INPROC_SERVER; else the export's result.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object);

// An object of the class through its class factory, as CoGetClassObject
// finds it.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);

// The signature of a server's DllGetClassObject export.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID, REFIID, void**);
