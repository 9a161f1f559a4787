// The tile as a COM object: references, initialisation, and its fields'
// states and strings.
#include "credprov/pwd_reset_credential.h"

#include <new>
#include <string_view>

#include "credprov/motd_file.h"
#include "credprov/tessaline_module.h"
#include "credprov/tessaline_resources.h"
#include "platform/base/last_error.h"
#include "platform/com/shell_strings.h"
#include "platform/base/wipe.h"

namespace {

constexpr char16_t kCaptionSuffix[] = u" - Varnok Password Reset";

void WipeAndFree(LPWSTR text) {
  if (text == nullptr) return;
  WipeBytes(text, std::u16string_view(text).size() * sizeof(char16_t));
  CoTaskMemFree(text);
}

bool IsTextField(CREDENTIAL_PROVIDER_FIELD_TYPE type) {
  return type == CPFT_LARGE_TEXT || type == CPFT_SMALL_TEXT || type == CPFT_EDIT_TEXT || type == CPFT_PASSWORD_TEXT;
}

}  // namespace

HRESULT BitmapFailureResult(DWORD lastError) {
  const HRESULT result = HRESULT_FROM_WIN32(lastError);
  return SUCCEEDED(result) ? E_FAIL : result;
}

CPwdResetUICredential::CPwdResetUICredential() { LockModule(); }

CPwdResetUICredential::~CPwdResetUICredential() {
  // The rules dialog goes with its tile (rules_dialog.h).
  rulesDialog.reset();
  for (DWORD id = 0; id < FIELD_COUNT; ++id) {
    WipeAndFree(strings[id]);
    CoTaskMemFree(descriptors[id].pszLabel);
  }
  session.reset();
  configuration.reset();
  if (events != nullptr) events->Release();
  UnlockModule();
}

HRESULT CPwdResetUICredential::Initialize(CREDENTIAL_PROVIDER_USAGE_SCENARIO usage,
                                          const CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR* table,
                                          const FieldStatePair* initialStates, DWORD tileMode) {
  scenario = usage;
  mode = tileMode;
  configuration.reset(new (std::nothrow) CPwdResetConfig());
  if (configuration == nullptr) return E_OUTOFMEMORY;
  LoadRulesText();
  if (const char16_t* motdCaption = configuration->GetMotdCaption()) {
    rulesCaption = std::u16string(motdCaption) + kCaptionSuffix;
  }
  HRESULT result = S_OK;
  for (DWORD id = 0; id < FIELD_COUNT && SUCCEEDED(result); ++id) {
    states[id] = initialStates[id];
    descriptors[id] = table[id];
    descriptors[id].pszLabel = nullptr;
    if (table[id].pszLabel != nullptr) result = SHStrDupW(table[id].pszLabel, &descriptors[id].pszLabel);
  }
  if (configuration->GetHideAnswers() != 0) descriptors[FIELD_ANSWER].cpft = CPFT_PASSWORD_TEXT;
  if (FAILED(result)) return result;

  const char16_t* banner = configuration->GetBannerText();
  const char16_t* initial[FIELD_COUNT] = {
      nullptr,
      mode == MODE_UNLOCK ? u"Unlock Account" : u"Reset Password",
      banner != nullptr ? banner : u"Varnok Self-Service",
      u"Instructions go here...",
      u"",
      u"",
      u"",
      u"Show hint",
      u"Skip this question",
      u"",
      u"",
      u"Password rules",
      u"Submit",
  };
  for (DWORD id = 1; id < FIELD_COUNT && SUCCEEDED(result); ++id) {
    LPWSTR copy = nullptr;
    result = SHStrDupW(initial[id], &copy);
    if (SUCCEEDED(result)) strings[id] = copy;
  }
  return result;
}

void CPwdResetUICredential::LoadRulesText() { rulesText = ReadMotdFile(configuration->GetMotdFile()); }

HRESULT CPwdResetUICredential::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ICredentialProviderCredential)) {
    *object = static_cast<ICredentialProviderCredential*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CPwdResetUICredential::AddRef() { return ++references; }

ULONG CPwdResetUICredential::Release() {
  const ULONG left = --references;
  if (left == 0) delete this;
  return left;
}

HRESULT CPwdResetUICredential::Advise(ICredentialProviderCredentialEvents* newEvents) {
  if (events != nullptr) events->Release();
  events = newEvents;
  if (events != nullptr) events->AddRef();
  return S_OK;
}

HRESULT CPwdResetUICredential::UnAdvise() {
  if (events != nullptr) events->Release();
  events = nullptr;
  return S_OK;
}

HRESULT CPwdResetUICredential::GetFieldState(DWORD fieldId, CREDENTIAL_PROVIDER_FIELD_STATE* state_,
                                             CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE* interactive) {
  if (fieldId >= FIELD_COUNT || state_ == nullptr || interactive == nullptr) return E_INVALIDARG;
  *state_ = states[fieldId].state;
  *interactive = states[fieldId].interactive;
  return S_OK;
}

HRESULT CPwdResetUICredential::GetStringValue(DWORD fieldId, LPWSTR* value) {
  if (fieldId >= FIELD_COUNT || value == nullptr) return E_INVALIDARG;
  return SHStrDupW(FieldText(fieldId), value);
}

HRESULT CPwdResetUICredential::GetBitmapValue(DWORD fieldId, HBITMAP* bitmap) {
  if (fieldId != FIELD_TILE_IMAGE || bitmap == nullptr) return E_INVALIDARG;
  *bitmap = nullptr;
  if (const char16_t* image = configuration->GetCustomTileImage()) {
    const HANDLE loaded = LoadImageW(nullptr, image, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (loaded != nullptr) {
      *bitmap = static_cast<HBITMAP>(loaded);
      return S_OK;
    }
  }
  *bitmap = LoadBitmapA(TessalineInstance(), MAKEINTRESOURCEA(IDB_TILE_IMAGE));
  return *bitmap != nullptr ? S_OK : BitmapFailureResult(GetLastError());
}

HRESULT CPwdResetUICredential::GetCheckboxValue(DWORD, BOOL*, LPWSTR*) { return E_NOTIMPL; }

HRESULT CPwdResetUICredential::GetSubmitButtonValue(DWORD fieldId, DWORD* adjacentTo) {
  if (fieldId != FIELD_SUBMIT || adjacentTo == nullptr) return E_INVALIDARG;
  switch (state) {
    case STATE_USERNAME: *adjacentTo = FIELD_USERNAME; break;
    case STATE_QUESTION: *adjacentTo = FIELD_ANSWER; break;
    case STATE_NEW_PASSWORD: *adjacentTo = FIELD_CONFIRM_PASSWORD; break;
    default: *adjacentTo = FIELD_QUESTION; break;
  }
  return S_OK;
}

HRESULT CPwdResetUICredential::GetComboBoxValueCount(DWORD, DWORD*, DWORD*) { return E_NOTIMPL; }

HRESULT CPwdResetUICredential::GetComboBoxValueAt(DWORD, DWORD, LPWSTR*) { return E_NOTIMPL; }

HRESULT CPwdResetUICredential::SetStringValue(DWORD fieldId, LPCWSTR value) {
  if (fieldId >= FIELD_COUNT || !IsTextField(descriptors[fieldId].cpft)) return E_INVALIDARG;
  return ReplaceFieldString(fieldId, value);
}

HRESULT CPwdResetUICredential::SetCheckboxValue(DWORD, BOOL) { return E_NOTIMPL; }

HRESULT CPwdResetUICredential::SetComboBoxSelectedValue(DWORD, DWORD) { return E_NOTIMPL; }

HRESULT CPwdResetUICredential::ReportResult(NTSTATUS, NTSTATUS, LPWSTR*, CREDENTIAL_PROVIDER_STATUS_ICON*) {
  return S_OK;
}

HRESULT CPwdResetUICredential::GetUserSid(LPWSTR* sid) {
  if (sid != nullptr) *sid = nullptr;
  return S_FALSE;
}

HRESULT CPwdResetUICredential::ReplaceFieldString(DWORD fieldId, const char16_t* text) {
  LPWSTR copy = nullptr;
  const HRESULT result = SHStrDupW(text != nullptr ? text : u"", &copy);
  if (FAILED(result)) return result;
  WipeAndFree(strings[fieldId]);
  strings[fieldId] = copy;
  return S_OK;
}

const char16_t* CPwdResetUICredential::FieldText(DWORD fieldId) const {
  return strings[fieldId] != nullptr ? strings[fieldId] : u"";
}

void CPwdResetUICredential::Show(DWORD fieldId, CREDENTIAL_PROVIDER_FIELD_STATE shown,
                                 CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE interactive) {
  states[fieldId] = FieldStatePair{shown, interactive};
}

HRESULT CPwdResetUICredential::WipeSecretFields(bool answer, bool passwords) {
  HRESULT result = S_OK;
  for (const DWORD id : {FIELD_ANSWER, FIELD_NEW_PASSWORD, FIELD_CONFIRM_PASSWORD}) {
    if ((id == FIELD_ANSWER && !answer) || (id != FIELD_ANSWER && !passwords)) continue;
    result = ReplaceFieldString(id, u"");
    if (SUCCEEDED(result) && events != nullptr) events->SetFieldString(this, id, FieldText(id));
  }
  return result;
}
