// The recording events behind a plain table of functions.
#include "credprov/tests/plain_events.h"

#include <type_traits>

#include "credprov/tests/logon_screen_host.h"

namespace {

static_assert(std::is_standard_layout_v<CPlainEvents> && !std::is_polymorphic_v<CPlainEvents>);

HRESULT QueryInterface(CPlainEvents* self, const IID* riid, void** object) {
  if (riid == nullptr || object == nullptr) return E_INVALIDARG;
  if (IsEqualGUID(*riid, IID_IUnknown)) {
    *object = self;
    self->table->AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG AddRef(CPlainEvents* self) { return self->recorder->AddRef(); }
ULONG Release(CPlainEvents* self) { return self->recorder->Release(); }

HRESULT SetFieldState(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                      CREDENTIAL_PROVIDER_FIELD_STATE state) {
  return self->recorder->SetFieldState(credential, fieldId, state);
}

HRESULT SetFieldInteractiveState(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                 CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE state) {
  return self->recorder->SetFieldInteractiveState(credential, fieldId, state);
}

HRESULT SetFieldString(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId, LPCWSTR text) {
  return self->recorder->SetFieldString(credential, fieldId, text);
}

HRESULT SetFieldCheckbox(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId, BOOL checked,
                         LPCWSTR label) {
  return self->recorder->SetFieldCheckbox(credential, fieldId, checked, label);
}

HRESULT SetFieldBitmap(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId, HBITMAP bitmap) {
  return self->recorder->SetFieldBitmap(credential, fieldId, bitmap);
}

HRESULT SetFieldComboBoxSelectedItem(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                     DWORD item) {
  return self->recorder->SetFieldComboBoxSelectedItem(credential, fieldId, item);
}

HRESULT DeleteFieldComboBoxItem(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                DWORD item) {
  return self->recorder->DeleteFieldComboBoxItem(credential, fieldId, item);
}

HRESULT AppendFieldComboBoxItem(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                LPCWSTR item) {
  return self->recorder->AppendFieldComboBoxItem(credential, fieldId, item);
}

HRESULT SetFieldSubmitButton(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                             DWORD adjacentTo) {
  return self->recorder->SetFieldSubmitButton(credential, fieldId, adjacentTo);
}

HRESULT OnCreatingWindow(CPlainEvents* self, HWND* window) { return self->recorder->OnCreatingWindow(window); }

constexpr CPlainEventsTable kTable{
    .QueryInterface = QueryInterface,
    .AddRef = AddRef,
    .Release = Release,
    .SetFieldState = SetFieldState,
    .SetFieldInteractiveState = SetFieldInteractiveState,
    .SetFieldString = SetFieldString,
    .SetFieldCheckbox = SetFieldCheckbox,
    .SetFieldBitmap = SetFieldBitmap,
    .SetFieldComboBoxSelectedItem = SetFieldComboBoxSelectedItem,
    .DeleteFieldComboBoxItem = DeleteFieldComboBoxItem,
    .AppendFieldComboBoxItem = AppendFieldComboBoxItem,
    .SetFieldSubmitButton = SetFieldSubmitButton,
    .OnCreatingWindow = OnCreatingWindow,
};

}  // namespace

CPlainEvents MakePlainEvents(CRecordingEvents& recorder) { return CPlainEvents{&kTable, &recorder}; }

ICredentialProviderCredentialEvents* AsInterface(CPlainEvents& events) {
  return reinterpret_cast<ICredentialProviderCredentialEvents*>(&events);
}
