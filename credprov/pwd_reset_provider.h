// The provider the logon screen asks for tiles: the field table and the
// two tiles, reset and unlock, made once per process on the first supported
// usage scenario (a provider made later in the process shows none).
#pragma once

#include <memory>

#include "credprov/pwd_reset_config.h"
#include "platform/credentialprovider/credentialprovider.h"

class CPwdResetUICredential;

class CPwdResetProvider final : public ICredentialProvider {
 public:
  // Counts towards the module, starts the sockets layer and reads the
  // settings.
  CPwdResetProvider();
  CPwdResetProvider(const CPwdResetProvider&) = delete;
  CPwdResetProvider& operator=(const CPwdResetProvider&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT SetUsageScenario(CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario, DWORD flags) override;
  HRESULT SetSerialization(const CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION* serialization) override;
  HRESULT Advise(ICredentialProviderEvents* events, UINT_PTR context) override;
  HRESULT UnAdvise() override;
  HRESULT GetFieldDescriptorCount(DWORD* count) override;
  HRESULT GetFieldDescriptorAt(DWORD index, CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR** descriptor) override;
  HRESULT GetCredentialCount(DWORD* count, DWORD* defaultIndex, BOOL* autoLogonWithDefault) override;
  HRESULT GetCredentialAt(DWORD index, ICredentialProviderCredential** credential) override;

 private:
  ~CPwdResetProvider();
  HRESULT CreateTiles();

  ULONG references = 1;
  CPwdResetUICredential* tiles[3] = {nullptr, nullptr, nullptr};
  DWORD tileCount = 0;
  LONG defaultTile = -1;
  BOOL autoLogonWithDefault = FALSE;
  CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario = CPUS_INVALID;
  std::unique_ptr<CPwdResetConfig> configuration;
};
