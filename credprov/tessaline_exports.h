// The two exports of Tessaline, the logon credential provider's library:
// the logon screen gets the provider's class factory through the first and
// asks through the second whether the library may go. Nothing else is
// exported (tessaline.map); the class is registered by whatever installs
// the library.
#pragma once

#include "platform/com/objbase.h"

#define TESSALINE_EXPORT extern "C" __attribute__((visibility("default")))

// The provider's class, the only one the library makes.
inline constexpr CLSID CLSID_PwdResetProvider{
    0x63B354F8, 0x8177, 0x4049, {0xA5, 0xB8, 0xF6, 0xF5, 0x1B, 0x2B, 0x71, 0x1E}};

// The class factory through `riid`; CLASS_E_CLASSNOTAVAILABLE (ppv
// untouched) for any other class; E_NOINTERFACE and no factory left behind
// for an interface it lacks.
TESSALINE_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// S_FALSE while providers, tiles or server locks live; else S_OK.
TESSALINE_EXPORT HRESULT DllCanUnloadNow();
