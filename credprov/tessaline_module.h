// The library's module state: its instance handle (kept by the entry
// routine for the resources) and the object count that keeps it loaded
// while providers, tiles or server locks live.
#pragma once

#include "platform/base/library_loader.h"

// DllMain's work, run by the loader (tessaline_exports.cpp): keeps `module`
// for every reason and declines thread notices on attach. Always TRUE.
BOOL TessalineEntry(HINSTANCE module, DWORD reason);
// The handle the entry routine kept.
HINSTANCE TessalineInstance();

// Atomic steps of the one module object count.
void LockModule();
void UnlockModule();
long ModuleObjectCount();
