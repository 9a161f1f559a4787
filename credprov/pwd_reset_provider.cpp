// The provider: usage scenarios, the field table, the tiles.
#include "credprov/pwd_reset_provider.h"

#include <atomic>
#include <new>

#include "credprov/field_table.h"
#include "credprov/pwd_reset_credential.h"
#include "credprov/tessaline_module.h"
#include "platform/com/shell_strings.h"
#include "platform/winsock/winsock.h"

namespace {

// The tiles are made once for the whole process.
std::atomic<bool> g_tilesCreated{false};

}  // namespace

CPwdResetProvider::CPwdResetProvider() {
  LockModule();
  WSADATA data{};
  WSAStartup(MAKEWORD(2, 2), &data);
  configuration.reset(new (std::nothrow) CPwdResetConfig());
}

CPwdResetProvider::~CPwdResetProvider() {
  for (DWORD i = 0; i < tileCount; ++i) {
    if (tiles[i] != nullptr) tiles[i]->Release();
  }
  configuration.reset();
  UnlockModule();
}

HRESULT CPwdResetProvider::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ICredentialProvider)) {
    *object = static_cast<ICredentialProvider*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CPwdResetProvider::AddRef() { return ++references; }

ULONG CPwdResetProvider::Release() {
  const ULONG left = --references;
  if (left == 0) delete this;
  return left;
}

HRESULT CPwdResetProvider::SetUsageScenario(CREDENTIAL_PROVIDER_USAGE_SCENARIO cpus, DWORD) {
  switch (static_cast<int>(cpus)) {
    case CPUS_LOGON:
    case CPUS_UNLOCK_WORKSTATION:
    case CPUS_CREDUI: {
      if (g_tilesCreated.exchange(true)) return S_OK;
      scenario = cpus;
      return CreateTiles();
    }
    case CPUS_CHANGE_PASSWORD:
      return E_NOTIMPL;
    default:
      return E_INVALIDARG;
  }
}

HRESULT CPwdResetProvider::CreateTiles() {
  for (DWORD mode = 0; mode < 2; ++mode) {
    auto* tile = new (std::nothrow) CPwdResetUICredential();
    if (tile == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = tile->Initialize(scenario, PWD_RESET_FIELDS, PWD_RESET_INITIAL_STATES, mode);
    if (FAILED(result)) {
      tile->Release();
      return result;
    }
    tiles[tileCount++] = tile;
  }
  return S_OK;
}

HRESULT CPwdResetProvider::SetSerialization(const CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION*) {
  return E_INVALIDARG;
}

HRESULT CPwdResetProvider::Advise(ICredentialProviderEvents*, UINT_PTR) { return E_NOTIMPL; }

HRESULT CPwdResetProvider::UnAdvise() { return E_NOTIMPL; }

HRESULT CPwdResetProvider::GetFieldDescriptorCount(DWORD* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = FIELD_COUNT;
  return S_OK;
}

HRESULT CPwdResetProvider::GetFieldDescriptorAt(DWORD index, CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR** descriptor) {
  if (index >= FIELD_COUNT || descriptor == nullptr) return E_INVALIDARG;
  auto* copy = static_cast<CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR*>(CoTaskMemAlloc(sizeof **descriptor));
  if (copy == nullptr) {
    *descriptor = nullptr;
    return E_OUTOFMEMORY;
  }
  *copy = PWD_RESET_FIELDS[index];
  if (PWD_RESET_FIELDS[index].pszLabel != nullptr) {
    const HRESULT result = SHStrDupW(PWD_RESET_FIELDS[index].pszLabel, &copy->pszLabel);
    if (FAILED(result)) {
      CoTaskMemFree(copy);
      *descriptor = nullptr;
      return result;
    }
  }
  if (index == FIELD_ANSWER && configuration != nullptr && configuration->GetHideAnswers() != 0) {
    copy->cpft = CPFT_PASSWORD_TEXT;
  }
  *descriptor = copy;
  return S_OK;
}

HRESULT CPwdResetProvider::GetCredentialCount(DWORD* count, DWORD* defaultIndex, BOOL* autoLogon) {
  if (count == nullptr || defaultIndex == nullptr || autoLogon == nullptr) return E_INVALIDARG;
  *count = tileCount;
  *defaultIndex = static_cast<DWORD>(defaultTile);
  *autoLogon = autoLogonWithDefault;
  return tileCount > 0 ? S_OK : E_FAIL;
}

HRESULT CPwdResetProvider::GetCredentialAt(DWORD index, ICredentialProviderCredential** credential) {
  if (index >= tileCount || credential == nullptr) return E_INVALIDARG;
  return tiles[index]->QueryInterface(IID_ICredentialProviderCredential, reinterpret_cast<void**>(credential));
}
