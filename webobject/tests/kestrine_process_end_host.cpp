// A page's script host that ends its process with Kestrine in it: it loads
// the library and registers it into a registry file of its own, creates the
// object by its ProgID, reads a member and releases it (or leaves that to
// its exit handler), then ends as its first argument says
// (tests/support/process_end.h). To unload it, the host makes the object
// through its own load of the library, as the platform's creation path
// keeps the servers it loads.
#include <stdlib.h>

#include "tests/support/process_end.h"
#include "tests/support/scratch_folder.h"
#include "webobject/tests/kestrine_fixture.h"
#include "webobject/tests/script_host.h"

namespace {

constexpr char16_t kProgId[] = u"Varnok.PasswordResetRequest";

// The object by its ProgID: through the platform's creation path, or
// through the class object of the host's own load.
HRESULT CreateByProgId(CProcessEnd end, CScriptObject& object) {
  if (end != CProcessEnd::UnloadThenExit) return CreateScriptObject(kProgId, object);
  CLSID clsid{};
  HRESULT status = CLSIDFromProgID(kProgId, &clsid);
  if (FAILED(status)) return status;
  IClassFactory* factory = nullptr;
  status = KestrineExports().getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(status)) return status;
  IDispatch* dispatch = nullptr;
  status = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  factory->Release();
  if (SUCCEEDED(status)) object = CScriptObject(dispatch);
  return status;
}

CScriptObject* g_object = nullptr;

void ReleaseObject() {
  delete g_object;
  if (KestrineExports().canUnloadNow() != S_OK) HostFailed("objects left alive");
}

void UseObject(CProcessEnd end) {
  ScratchFolder scratch("kestrine-end");
  const std::string registry = scratch.Path() + "/registry.reg";
  ::setenv("VARNOK_REGISTRY", registry.c_str(), 1);
  if (KestrineExports().registerServer == nullptr) HostFailed("cannot load the library");
  if (KestrineExports().registerServer() != S_OK) HostFailed("registration failed");
  if (CreateByProgId(end, *g_object) != S_OK) HostFailed("no object for the ProgID");
  if (g_object->Get(u"LastError").status != S_OK) HostFailed("LastError unread");
  if (end != CProcessEnd::ReleaseInExitHandler) ReleaseObject();
  ::unsetenv("VARNOK_REGISTRY");
}

}  // namespace

int main(int argc, char** argv) {
  g_object = new CScriptObject;
  const auto end = ProcessEndOf(argc, argv, &ReleaseObject);
  if (!end) return 2;
  UseObject(*end);
  EndProcess(*end, KestrineExports().module);
}
