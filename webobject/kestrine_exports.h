// The four exports of Kestrine, the web reset object's library: COM makes
// its objects through the first two, an installer registers and
// unregisters it through the others. Nothing else is exported
// (kestrine.map).
#pragma once

#include "platform/com/objbase.h"

#define KESTRINE_EXPORT extern "C" __attribute__((visibility("default")))

// The class factory of CLSID_PwdResetRequest through `riid`;
// CLASS_E_CLASSNOTAVAILABLE for any other class.
KESTRINE_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** object);
// S_OK when no object lives and no client locked the server; else S_FALSE.
KESTRINE_EXPORT HRESULT DllCanUnloadNow();
// Writes the class's keys and the type library's into the registry file.
KESTRINE_EXPORT HRESULT DllRegisterServer();
// Removes them again.
KESTRINE_EXPORT HRESULT DllUnregisterServer();
