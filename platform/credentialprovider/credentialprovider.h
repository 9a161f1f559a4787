// The logon screen's credential-provider interfaces as a provider serves
// them: the usage scenarios, field types, states and responses with the
// platform's numbers, the field descriptor and the field-type identities,
// and the provider, credential and events interfaces in their slot order.
// The logon screen (in tests, a host of their own) is the caller.
#pragma once

#include <cstddef>

#include "platform/com/objbase.h"
#include "platform/windows/bitmap.h"

enum CREDENTIAL_PROVIDER_USAGE_SCENARIO : int {
  CPUS_INVALID = 0,
  CPUS_LOGON = 1,
  CPUS_UNLOCK_WORKSTATION = 2,
  CPUS_CHANGE_PASSWORD = 3,
  CPUS_CREDUI = 4,
  CPUS_PLAP = 5,
};

enum CREDENTIAL_PROVIDER_FIELD_TYPE : int {
  CPFT_INVALID = 0,
  CPFT_LARGE_TEXT = 1,
  CPFT_SMALL_TEXT = 2,
  CPFT_COMMAND_LINK = 3,
  CPFT_EDIT_TEXT = 4,
  CPFT_PASSWORD_TEXT = 5,
  CPFT_TILE_IMAGE = 6,
  CPFT_CHECKBOX = 7,
  CPFT_COMBOBOX = 8,
  CPFT_SUBMIT_BUTTON = 9,
};

enum CREDENTIAL_PROVIDER_FIELD_STATE : int {
  CPFS_HIDDEN = 0,
  CPFS_DISPLAY_IN_SELECTED_TILE = 1,
  CPFS_DISPLAY_IN_DESELECTED_TILE = 2,
  CPFS_DISPLAY_IN_BOTH = 3,
};

enum CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE : int {
  CPFIS_NONE = 0,
  CPFIS_READONLY = 1,
  CPFIS_DISABLED = 2,
  CPFIS_FOCUSED = 3,
};

enum CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE : int {
  CPGSR_NO_CREDENTIAL_NOT_FINISHED = 0,
  CPGSR_NO_CREDENTIAL_FINISHED = 1,
  CPGSR_RETURN_CREDENTIAL_FINISHED = 2,
  CPGSR_RETURN_NO_CREDENTIAL_FINISHED = 3,
};

enum CREDENTIAL_PROVIDER_STATUS_ICON : int {
  CPSI_NONE = 0,
  CPSI_ERROR = 1,
  CPSI_WARNING = 2,
  CPSI_SUCCESS = 3,
};

// GetCredentialCount's default index when there is none.
inline constexpr DWORD CREDENTIAL_PROVIDER_NO_DEFAULT = static_cast<DWORD>(-1);

struct CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR {
  DWORD dwFieldID;
  CREDENTIAL_PROVIDER_FIELD_TYPE cpft;
  LPWSTR pszLabel;
  GUID guidFieldType;
};
static_assert(sizeof(CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR) == 32, "a field descriptor is 32 bytes");
static_assert(offsetof(CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR, guidFieldType) == 16, "the type identity at 16");

// A logon package; these tiles never hand one out.
struct CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION;

inline constexpr IID IID_ICredentialProvider{
    0xD27C3481, 0x5A1C, 0x45B2, {0x8A, 0xAA, 0xC2, 0x0E, 0xBB, 0xE8, 0x22, 0x9E}};
inline constexpr IID IID_ICredentialProviderCredential{
    0x63913A93, 0x40C1, 0x481A, {0x81, 0x8D, 0x40, 0x72, 0xFF, 0x8C, 0x70, 0xCC}};
inline constexpr IID IID_ICredentialProviderCredential2{
    0xFD672C54, 0x40EA, 0x4D6E, {0x9B, 0x49, 0xCF, 0xB1, 0xA7, 0x50, 0x7B, 0xD7}};

// Field-type identities of the descriptors.
inline constexpr GUID CPFG_CREDENTIAL_PROVIDER_LOGO{
    0x2D837775, 0xF6CD, 0x464E, {0xA7, 0x45, 0x48, 0x2F, 0xD0, 0xB4, 0x74, 0x93}};
inline constexpr GUID CPFG_CREDENTIAL_PROVIDER_LABEL{
    0x286BBFF3, 0xBAD4, 0x438F, {0xB0, 0x07, 0x79, 0xB7, 0x26, 0x7C, 0x3D, 0x48}};

class ICredentialProviderCredential;

// What the logon screen offers a credential: field changes shown at once,
// and the window that owns the credential's own windows.
class ICredentialProviderCredentialEvents : public IUnknown {
 public:
  virtual HRESULT SetFieldState(ICredentialProviderCredential* credential, DWORD fieldId,
                                CREDENTIAL_PROVIDER_FIELD_STATE state) = 0;
  virtual HRESULT SetFieldInteractiveState(ICredentialProviderCredential* credential, DWORD fieldId,
                                           CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE state) = 0;
  virtual HRESULT SetFieldString(ICredentialProviderCredential* credential, DWORD fieldId, LPCWSTR text) = 0;
  virtual HRESULT SetFieldCheckbox(ICredentialProviderCredential* credential, DWORD fieldId, BOOL checked,
                                   LPCWSTR label) = 0;
  virtual HRESULT SetFieldBitmap(ICredentialProviderCredential* credential, DWORD fieldId, HBITMAP bitmap) = 0;
  virtual HRESULT SetFieldComboBoxSelectedItem(ICredentialProviderCredential* credential, DWORD fieldId,
                                               DWORD item) = 0;
  virtual HRESULT DeleteFieldComboBoxItem(ICredentialProviderCredential* credential, DWORD fieldId, DWORD item) = 0;
  virtual HRESULT AppendFieldComboBoxItem(ICredentialProviderCredential* credential, DWORD fieldId,
                                          LPCWSTR item) = 0;
  virtual HRESULT SetFieldSubmitButton(ICredentialProviderCredential* credential, DWORD fieldId,
                                       DWORD adjacentTo) = 0;
  virtual HRESULT OnCreatingWindow(HWND* window) = 0;

 protected:
  ~ICredentialProviderCredentialEvents() = default;
};

// One tile: its fields' values and states, and Submit (GetSerialization).
// Strings handed out are task memory for the caller to free.
class ICredentialProviderCredential : public IUnknown {
 public:
  virtual HRESULT Advise(ICredentialProviderCredentialEvents* events) = 0;
  virtual HRESULT UnAdvise() = 0;
  virtual HRESULT SetSelected(BOOL* autoLogon) = 0;
  virtual HRESULT SetDeselected() = 0;
  virtual HRESULT GetFieldState(DWORD fieldId, CREDENTIAL_PROVIDER_FIELD_STATE* state,
                                CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE* interactive) = 0;
  virtual HRESULT GetStringValue(DWORD fieldId, LPWSTR* value) = 0;
  virtual HRESULT GetBitmapValue(DWORD fieldId, HBITMAP* bitmap) = 0;
  virtual HRESULT GetCheckboxValue(DWORD fieldId, BOOL* checked, LPWSTR* label) = 0;
  virtual HRESULT GetSubmitButtonValue(DWORD fieldId, DWORD* adjacentTo) = 0;
  virtual HRESULT GetComboBoxValueCount(DWORD fieldId, DWORD* items, DWORD* selected) = 0;
  virtual HRESULT GetComboBoxValueAt(DWORD fieldId, DWORD item, LPWSTR* value) = 0;
  virtual HRESULT SetStringValue(DWORD fieldId, LPCWSTR value) = 0;
  virtual HRESULT SetCheckboxValue(DWORD fieldId, BOOL checked) = 0;
  virtual HRESULT SetComboBoxSelectedValue(DWORD fieldId, DWORD selected) = 0;
  virtual HRESULT CommandLinkClicked(DWORD fieldId) = 0;
  virtual HRESULT GetSerialization(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE* response,
                                   CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION* serialization,
                                   LPWSTR* statusText, CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon) = 0;
  virtual HRESULT ReportResult(NTSTATUS status, NTSTATUS subStatus, LPWSTR* statusText,
                               CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon) = 0;

 protected:
  ~ICredentialProviderCredential() = default;
};

class ICredentialProviderCredential2 : public ICredentialProviderCredential {
 public:
  virtual HRESULT GetUserSid(LPWSTR* sid) = 0;

 protected:
  ~ICredentialProviderCredential2() = default;
};

// Told by a provider that its credentials changed (these tiles never do).
class ICredentialProviderEvents;

// What the logon screen asks a provider for: its fields and its tiles.
class ICredentialProvider : public IUnknown {
 public:
  virtual HRESULT SetUsageScenario(CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario, DWORD flags) = 0;
  virtual HRESULT SetSerialization(const CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION* serialization) = 0;
  virtual HRESULT Advise(ICredentialProviderEvents* events, UINT_PTR context) = 0;
  virtual HRESULT UnAdvise() = 0;
  virtual HRESULT GetFieldDescriptorCount(DWORD* count) = 0;
  virtual HRESULT GetFieldDescriptorAt(DWORD index, CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR** descriptor) = 0;
  virtual HRESULT GetCredentialCount(DWORD* count, DWORD* defaultIndex, BOOL* autoLogonWithDefault) = 0;
  virtual HRESULT GetCredentialAt(DWORD index, ICredentialProviderCredential** credential) = 0;

 protected:
  ~ICredentialProvider() = default;
};
