// The recording events as a host written in C hands them to a tile: a plain
// structure whose first word points to a table of functions in the
// interface's slot order, each taking the object first. No C++ type
// information stands behind it, as none need stand behind a COM object.
#pragma once

#include "platform/credentialprovider/credentialprovider.h"

class CRecordingEvents;
struct CPlainEvents;

struct CPlainEventsTable {
  HRESULT (*QueryInterface)(CPlainEvents* self, const IID* riid, void** object);
  ULONG (*AddRef)(CPlainEvents* self);
  ULONG (*Release)(CPlainEvents* self);
  HRESULT (*SetFieldState)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                           CREDENTIAL_PROVIDER_FIELD_STATE state);
  HRESULT (*SetFieldInteractiveState)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                      CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE state);
  HRESULT (*SetFieldString)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                            LPCWSTR text);
  HRESULT (*SetFieldCheckbox)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                              BOOL checked, LPCWSTR label);
  HRESULT (*SetFieldBitmap)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                            HBITMAP bitmap);
  HRESULT (*SetFieldComboBoxSelectedItem)(CPlainEvents* self, ICredentialProviderCredential* credential,
                                          DWORD fieldId, DWORD item);
  HRESULT (*DeleteFieldComboBoxItem)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                     DWORD item);
  HRESULT (*AppendFieldComboBoxItem)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                     LPCWSTR item);
  HRESULT (*SetFieldSubmitButton)(CPlainEvents* self, ICredentialProviderCredential* credential, DWORD fieldId,
                                  DWORD adjacentTo);
  HRESULT (*OnCreatingWindow)(CPlainEvents* self, HWND* window);
};

// Each slot hands its call on to `recorder`, which keeps what was told and
// the count of references.
struct CPlainEvents {
  const CPlainEventsTable* table;
  CRecordingEvents* recorder;
};

// The object over `recorder`, and the interface pointer a tile is advised with.
CPlainEvents MakePlainEvents(CRecordingEvents& recorder);
ICredentialProviderCredentialEvents* AsInterface(CPlainEvents& events);
