// The exports, and what the loader does for the library: the entry routine
// and the resources handed to the windows layer at load, taken back at
// unload.
#include "credprov/tessaline_exports.h"

#include <cstring>
#include <new>

#include "credprov/class_factory.h"
#include "credprov/tessaline_module.h"
#include "credprov/tessaline_resources.h"

namespace {

HINSTANCE ThisModule() { return ModuleHandleOfAddress(reinterpret_cast<const void*>(&ThisModule)); }

__attribute__((constructor)) void AtLoad() {
  const HINSTANCE module = ThisModule();
  std::size_t count = 0;
  const ResourceEntry* resources = TessalineResources(count);
  RegisterModuleResources(module, resources, count);
  TessalineEntry(module, DLL_PROCESS_ATTACH);
}

__attribute__((destructor)) void AtUnload() {
  const HINSTANCE module = ThisModule();
  TessalineEntry(module, DLL_PROCESS_DETACH);
  UnregisterModuleResources(module);
}

}  // namespace

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (std::memcmp(&rclsid, &CLSID_PwdResetProvider, sizeof(CLSID)) != 0) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) CClassFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = factory->QueryInterface(riid, ppv);
  factory->Release();
  return result;
}

HRESULT DllCanUnloadNow() { return ModuleObjectCount() > 0 ? S_FALSE : S_OK; }
