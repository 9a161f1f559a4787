// The module of the web reset object: the lock count that keeps the library
// loaded while objects live or a client locked it, and its class factory.
// The exports are kestrine_exports.cpp.
#pragma once

#include "platform/com/objbase.h"

void LockModule();
void UnlockModule();
// Objects alive plus the locks of IClassFactory::LockServer.
long ModuleLockCount();

// The one class factory of CPwdResetRequest, handed out through `riid`.
HRESULT GetPwdResetRequestFactory(REFIID riid, void** object);
