// Automation types as the directory layer passes values: BSTR, VARIANT and
// a one-dimensional SAFEARRAY of VARIANTs (a variant array of strings).
// Strings are UTF-16.
#pragma once

#include "platform/com/objbase.h"

// Length-prefixed UTF-16 text, ended by a zero as well.
using BSTR = WCHAR*;
using VARTYPE = USHORT;

// The value kinds used here.
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_ARRAY = 0x2000;

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    BSTR bstrVal;
    SAFEARRAY* parray;
  };
};

// A copy of `text`; nullptr for nullptr or when memory runs out.
BSTR SysAllocString(const WCHAR* text);
// Frees a BSTR, first wiping its characters (they may be a password).
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

// A zero-based vector of `count` elements; only VT_VARIANT is served
// (nullptr otherwise). The elements start as VT_EMPTY.
SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count);
// Clears every element and frees the array.
HRESULT SafeArrayDestroy(SAFEARRAY* array);

void VariantInit(VARIANT* value);
// Frees what the variant holds (a BSTR, an array of variants) and makes it
// VT_EMPTY.
HRESULT VariantClear(VARIANT* value);
