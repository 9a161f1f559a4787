// The library's self-registration: the registry script of its one class
// (the keys under HKEY_CLASSES_ROOT, %MODULE% being the library's own path)
// and its type library.
#pragma once

#include <string>

#include "platform/com/objbase.h"

// Deletes the keys the script deletes first, writes every key and value,
// then registers the type library. S_OK or the first failure.
HRESULT RegisterKestrine(const std::string& modulePath);
// Removes what the script created (HKEY_CLASSES_ROOT\CLSID itself stays)
// and the type library's registration. S_OK or the first failure.
HRESULT UnregisterKestrine();
