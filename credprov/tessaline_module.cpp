// The module's instance handle and object count.
#include "credprov/tessaline_module.h"

#include <atomic>

namespace {

std::atomic<HINSTANCE> g_instance{nullptr};
std::atomic<long> g_objects{0};

}  // namespace

BOOL TessalineEntry(HINSTANCE module, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
  g_instance = module;
  return TRUE;
}

HINSTANCE TessalineInstance() { return g_instance; }

void LockModule() { ++g_objects; }
void UnlockModule() { --g_objects; }
long ModuleObjectCount() { return g_objects; }
