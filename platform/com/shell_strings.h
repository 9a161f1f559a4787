// shlwapi's string duplication into task memory: the form in which the logon
// screen's interfaces hand strings to their caller, who frees them with
// CoTaskMemFree.
#pragma once

#include "platform/com/objbase.h"

// A CoTaskMemAlloc copy of `source` with its zero: S_OK; E_OUTOFMEMORY with
// *copy null when no memory could be had; E_INVALIDARG without `copy` or
// `source` (*copy then null when it can be written).
HRESULT SHStrDupW(LPCWSTR source, LPWSTR* copy);
