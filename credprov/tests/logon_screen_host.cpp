// The logon screen's side of the tests.
#include "credprov/tests/logon_screen_host.h"

#include <dlfcn.h>

#include "platform/base/module_file_name.h"
#include "platform/com/objbase.h"

CTessalineLibrary::CTessalineLibrary() {
  handle = ::dlopen(TESSALINE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(handle, nullptr) << ::dlerror();
  if (handle == nullptr) return;
  exports.getClassObject = reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(::dlsym(handle, "DllGetClassObject"));
  exports.canUnloadNow = reinterpret_cast<HRESULT (*)()>(::dlsym(handle, "DllCanUnloadNow"));
}

CTessalineLibrary::~CTessalineLibrary() {
  if (handle != nullptr) ::dlclose(handle);
}

HINSTANCE CTessalineLibrary::Instance() const {
  return ModuleHandleOfAddress(reinterpret_cast<const void*>(exports.getClassObject));
}

HRESULT CRecordingEvents::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (IsEqualGUID(riid, IID_IUnknown)) {
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CRecordingEvents::SetFieldState(ICredentialProviderCredential*, DWORD fieldId,
                                        CREDENTIAL_PROVIDER_FIELD_STATE state) {
  states[fieldId] = state;
  return S_OK;
}

HRESULT CRecordingEvents::SetFieldInteractiveState(ICredentialProviderCredential*, DWORD fieldId,
                                                   CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE state) {
  interactive[fieldId] = state;
  return S_OK;
}

HRESULT CRecordingEvents::SetFieldString(ICredentialProviderCredential*, DWORD fieldId, LPCWSTR text) {
  strings[fieldId] = text != nullptr ? text : u"(null)";
  return S_OK;
}

HRESULT CRecordingEvents::SetFieldSubmitButton(ICredentialProviderCredential*, DWORD, DWORD adjacentTo) {
  submitBeside = adjacentTo;
  return S_OK;
}

HRESULT CRecordingEvents::OnCreatingWindow(HWND* window) {
  if (window == nullptr) return E_INVALIDARG;
  *window = owner;
  return S_OK;
}

CLogonScreenHost::CLogonScreenHost()
    : owner(CreateWindowExW(0, u"LogonUI", u"Logon screen", WS_VISIBLE, 0, 0, 1024, 768, nullptr, 0, nullptr,
                            nullptr)),
      events(owner) {
  SetMessageBoxSink([this](const MessageBoxRequest& request) {
    boxes.push_back(request);
    return IDOK;
  });
}

CLogonScreenHost::~CLogonScreenHost() {
  if (tile != nullptr) {
    tile->SetDeselected();
    tile->UnAdvise();
    tile->Release();
  }
  if (provider != nullptr) provider->Release();
  if (factory != nullptr) factory->Release();
  SetMessageBoxSink(nullptr);
  EXPECT_EQ(events.references, 1u) << "the events were not released";
  if (library.Loaded()) {
    EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);
  }
  DestroyWindow(owner);
}

bool CLogonScreenHost::Start(CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario) {
  if (!library.Loaded()) return false;
  EXPECT_EQ(library.Exports().getClassObject(CLSID_TessalineProvider, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory == nullptr) return false;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ICredentialProvider, reinterpret_cast<void**>(&provider)), S_OK);
  if (provider == nullptr) return false;
  const HRESULT result = provider->SetUsageScenario(scenario, 0);
  EXPECT_EQ(result, S_OK);
  return result == S_OK;
}

ICredentialProviderCredential* CLogonScreenHost::SelectTile(DWORD index) {
  if (tile != nullptr) {
    tile->SetDeselected();
    tile->UnAdvise();
    tile->Release();
    tile = nullptr;
  }
  EXPECT_EQ(provider->GetCredentialAt(index, &tile), S_OK);
  if (tile == nullptr) return nullptr;
  EXPECT_EQ(tile->Advise(AsInterface(plainEvents)), S_OK);
  BOOL autoLogon = TRUE;
  EXPECT_EQ(tile->SetSelected(&autoLogon), S_OK);
  EXPECT_FALSE(autoLogon);
  return tile;
}

void CLogonScreenHost::Type(DWORD fieldId, const std::u16string& text) {
  EXPECT_EQ(tile->SetStringValue(fieldId, text.c_str()), S_OK) << "field " << fieldId;
}

SubmitResult CLogonScreenHost::Submit() {
  SubmitResult submitted;
  LPWSTR status = nullptr;
  submitted.result = tile->GetSerialization(&submitted.response, nullptr, &status, &submitted.statusIcon);
  if (status != nullptr) {
    submitted.statusText = status;
    CoTaskMemFree(status);
  }
  return submitted;
}

HRESULT CLogonScreenHost::Click(DWORD fieldId) { return tile->CommandLinkClicked(fieldId); }

std::u16string CLogonScreenHost::FieldString(DWORD fieldId) const {
  LPWSTR text = nullptr;
  EXPECT_EQ(tile->GetStringValue(fieldId, &text), S_OK);
  if (text == nullptr) return u"(null)";
  std::u16string copy(text);
  CoTaskMemFree(text);
  return copy;
}

CREDENTIAL_PROVIDER_FIELD_STATE CLogonScreenHost::FieldState(DWORD fieldId) const {
  CREDENTIAL_PROVIDER_FIELD_STATE state = CPFS_HIDDEN;
  CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE interactive = CPFIS_NONE;
  EXPECT_EQ(tile->GetFieldState(fieldId, &state, &interactive), S_OK);
  return state;
}

CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE CLogonScreenHost::FieldInteractive(DWORD fieldId) const {
  CREDENTIAL_PROVIDER_FIELD_STATE state = CPFS_HIDDEN;
  CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE interactive = CPFIS_NONE;
  EXPECT_EQ(tile->GetFieldState(fieldId, &state, &interactive), S_OK);
  return interactive;
}

std::vector<DWORD> CLogonScreenHost::ShownFields() const {
  std::vector<DWORD> shown;
  for (DWORD id = F_USERNAME; id <= F_SUBMIT; ++id) {
    if (FieldState(id) == CPFS_DISPLAY_IN_SELECTED_TILE) shown.push_back(id);
  }
  return shown;
}

std::vector<MessageBoxRequest> CLogonScreenHost::TakeBoxes() {
  std::vector<MessageBoxRequest> taken;
  taken.swap(boxes);
  return taken;
}

std::optional<WindowDescription> CLogonScreenHost::RulesWindow() const {
  for (HWND window : WindowsOwnedBy(owner)) {
    auto description = DescribeWindow(window);
    if (description && description->className == u"#32770") return description;
  }
  return std::nullopt;
}
