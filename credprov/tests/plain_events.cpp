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
    self->recorder->AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// A slot that hands its call on to the recorder's method of that name.
template <auto Method>
struct Forward;
template <typename Result, typename... Args, Result (CRecordingEvents::*Method)(Args...)>
struct Forward<Method> {
  static Result Call(CPlainEvents* self, Args... args) { return (self->recorder->*Method)(args...); }
};

constexpr CPlainEventsTable kTable{
    .QueryInterface = QueryInterface,
    .AddRef = Forward<&CRecordingEvents::AddRef>::Call,
    .Release = Forward<&CRecordingEvents::Release>::Call,
    .SetFieldState = Forward<&CRecordingEvents::SetFieldState>::Call,
    .SetFieldInteractiveState = Forward<&CRecordingEvents::SetFieldInteractiveState>::Call,
    .SetFieldString = Forward<&CRecordingEvents::SetFieldString>::Call,
    .SetFieldCheckbox = Forward<&CRecordingEvents::SetFieldCheckbox>::Call,
    .SetFieldBitmap = Forward<&CRecordingEvents::SetFieldBitmap>::Call,
    .SetFieldComboBoxSelectedItem = Forward<&CRecordingEvents::SetFieldComboBoxSelectedItem>::Call,
    .DeleteFieldComboBoxItem = Forward<&CRecordingEvents::DeleteFieldComboBoxItem>::Call,
    .AppendFieldComboBoxItem = Forward<&CRecordingEvents::AppendFieldComboBoxItem>::Call,
    .SetFieldSubmitButton = Forward<&CRecordingEvents::SetFieldSubmitButton>::Call,
    .OnCreatingWindow = Forward<&CRecordingEvents::OnCreatingWindow>::Call,
};

}  // namespace

CPlainEvents MakePlainEvents(CRecordingEvents& recorder) { return CPlainEvents{&kTable, &recorder}; }

ICredentialProviderCredentialEvents* AsInterface(CPlainEvents& events) {
  return reinterpret_cast<ICredentialProviderCredentialEvents*>(&events);
}
