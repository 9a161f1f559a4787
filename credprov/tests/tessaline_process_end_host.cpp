// A logon screen that ends its process with Tessaline in it: it loads the
// library, makes the provider, selects the reset tile, types a name and
// submits (no server is configured, so the step ends at once), deselects
// and releases everything (or leaves that to its exit handler), then ends
// as its first argument says (tests/support/process_end.h). Like a logon
// screen built apart, it links none of our window model: the library
// brings the desktop in with it.
#include <dlfcn.h>
#include <stdlib.h>

#include "credprov/field_table.h"
#include "credprov/tessaline_exports.h"
#include "platform/com/objbase.h"
#include "tests/support/file_bytes.h"
#include "tests/support/process_end.h"
#include "tests/support/scratch_folder.h"

namespace {

// Events that answer every call; the logon screen has no window of the
// model to hand out.
class CQuietEvents final : public ICredentialProviderCredentialEvents {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_INVALIDARG;
    *object = IsEqualGUID(riid, IID_IUnknown) ? static_cast<IUnknown*>(this) : nullptr;
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT SetFieldState(ICredentialProviderCredential*, DWORD, CREDENTIAL_PROVIDER_FIELD_STATE) override {
    return S_OK;
  }
  HRESULT SetFieldInteractiveState(ICredentialProviderCredential*, DWORD,
                                   CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE) override {
    return S_OK;
  }
  HRESULT SetFieldString(ICredentialProviderCredential*, DWORD, LPCWSTR) override { return S_OK; }
  HRESULT SetFieldCheckbox(ICredentialProviderCredential*, DWORD, BOOL, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT SetFieldBitmap(ICredentialProviderCredential*, DWORD, HBITMAP) override { return E_NOTIMPL; }
  HRESULT SetFieldComboBoxSelectedItem(ICredentialProviderCredential*, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT DeleteFieldComboBoxItem(ICredentialProviderCredential*, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT AppendFieldComboBoxItem(ICredentialProviderCredential*, DWORD, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT SetFieldSubmitButton(ICredentialProviderCredential*, DWORD, DWORD) override { return S_OK; }
  HRESULT OnCreatingWindow(HWND* window) override {
    if (window == nullptr) return E_INVALIDARG;
    *window = nullptr;
    return S_OK;
  }

  ULONG references = 1;
};

void Check(bool holds, const char* what) {
  if (!holds) HostFailed(what);
}

// The logon screen's objects of the dialogue.
struct CDialogue {
  CQuietEvents events;
  HRESULT (*canUnloadNow)() = nullptr;
  IClassFactory* factory = nullptr;
  ICredentialProvider* provider = nullptr;
  ICredentialProviderCredential* tile = nullptr;
};
CDialogue* g_dialogue = nullptr;

// One dialogue step on the reset tile.
void StartDialogue(void* library) {
  const auto getClassObject =
      reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(::dlsym(library, "DllGetClassObject"));
  CDialogue& d = *g_dialogue;
  d.canUnloadNow = reinterpret_cast<HRESULT (*)()>(::dlsym(library, "DllCanUnloadNow"));
  Check(getClassObject != nullptr && d.canUnloadNow != nullptr, "the library lacks its exports");
  Check(getClassObject(CLSID_PwdResetProvider, IID_IClassFactory, reinterpret_cast<void**>(&d.factory)) == S_OK,
        "no class factory");
  Check(d.factory->CreateInstance(nullptr, IID_ICredentialProvider, reinterpret_cast<void**>(&d.provider)) == S_OK,
        "no provider");
  Check(d.provider->SetUsageScenario(CPUS_CREDUI, 0) == S_OK, "scenario refused");
  Check(d.provider->GetCredentialAt(0, &d.tile) == S_OK, "no reset tile");
  Check(d.tile->Advise(&d.events) == S_OK, "events refused");
  BOOL autoLogon = FALSE;
  Check(d.tile->SetSelected(&autoLogon) == S_OK, "selection refused");
  Check(d.tile->SetStringValue(FIELD_USERNAME, u"alice") == S_OK, "name refused");
  CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE response{};
  LPWSTR status = nullptr;
  CREDENTIAL_PROVIDER_STATUS_ICON icon{};
  Check(d.tile->GetSerialization(&response, nullptr, &status, &icon) == S_OK, "Submit failed");
  CoTaskMemFree(status);
}

// The tile deselected, everything released.
void EndDialogue() {
  CDialogue& d = *g_dialogue;
  Check(d.tile->SetDeselected() == S_OK, "deselection refused");
  Check(d.tile->UnAdvise() == S_OK, "unadvise refused");
  d.tile->Release();
  d.provider->Release();
  d.factory->Release();
  Check(d.events.references == 1, "the events were not released");
  Check(d.canUnloadNow() == S_OK, "objects left alive");
  delete g_dialogue;
}

}  // namespace

int main(int argc, char** argv) {
  g_dialogue = new CDialogue;
  const auto end = ProcessEndOf(argc, argv, &EndDialogue);
  if (!end) return 2;
  void* library = ::dlopen(TESSALINE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) HostFailed(::dlerror());
  {
    ScratchFolder scratch("tessaline-end");
    const std::string registry = scratch.Path() + "/registry.reg";
    WriteFileBytes(registry,
                   "Windows Registry Editor Version 5.00\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n");
    ::setenv("VARNOK_REGISTRY", registry.c_str(), 1);
    StartDialogue(library);
    if (*end != CProcessEnd::ReleaseInExitHandler) EndDialogue();
    ::unsetenv("VARNOK_REGISTRY");
  }
  EndProcess(*end, library);
}
