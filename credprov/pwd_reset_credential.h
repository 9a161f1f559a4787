// One reset tile of the logon screen (mode 0 resets a forgotten password,
// mode 1 unlocks an account): its fields, and the dialogue with the reset
// service that each Submit moves on by one step (credential_dialogue.cpp),
// the UI refresh that shows the step (credential_refresh.cpp), and the
// rules dialog beside the new-password step (rules_dialog.h). It never hands
// a logon package back.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "credprov/field_table.h"
#include "credprov/pwd_reset_config.h"
#include "credprov/pwd_reset_session.h"
#include "credprov/rules_dialog.h"
#include "platform/credentialprovider/credentialprovider.h"

// Dialogue states.
enum PwdResetState : DWORD {
  STATE_USERNAME = 0,
  STATE_QUESTION = 1,
  STATE_NEW_PASSWORD = 2,
  STATE_COMPLETE = 3,
  STATE_CANCELLED = 4,
};

// Modes.
inline constexpr DWORD MODE_RESET = 0;
inline constexpr DWORD MODE_UNLOCK = 1;

class CPwdResetUICredential final : public ICredentialProviderCredential2 {
 public:
  CPwdResetUICredential();
  CPwdResetUICredential(const CPwdResetUICredential&) = delete;
  CPwdResetUICredential& operator=(const CPwdResetUICredential&) = delete;

  // Once, right after construction: the settings, the rules text, the
  // fields and their first strings. A failure makes the provider drop it.
  HRESULT Initialize(CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario,
                     const CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR* descriptors, const FieldStatePair* states,
                     DWORD mode);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Advise(ICredentialProviderCredentialEvents* events) override;
  HRESULT UnAdvise() override;
  HRESULT SetSelected(BOOL* autoLogon) override;
  HRESULT SetDeselected() override;
  HRESULT GetFieldState(DWORD fieldId, CREDENTIAL_PROVIDER_FIELD_STATE* state,
                        CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE* interactive) override;
  HRESULT GetStringValue(DWORD fieldId, LPWSTR* value) override;
  HRESULT GetBitmapValue(DWORD fieldId, HBITMAP* bitmap) override;
  HRESULT GetCheckboxValue(DWORD fieldId, BOOL* checked, LPWSTR* label) override;
  HRESULT GetSubmitButtonValue(DWORD fieldId, DWORD* adjacentTo) override;
  HRESULT GetComboBoxValueCount(DWORD fieldId, DWORD* items, DWORD* selected) override;
  HRESULT GetComboBoxValueAt(DWORD fieldId, DWORD item, LPWSTR* value) override;
  HRESULT SetStringValue(DWORD fieldId, LPCWSTR value) override;
  HRESULT SetCheckboxValue(DWORD fieldId, BOOL checked) override;
  HRESULT SetComboBoxSelectedValue(DWORD fieldId, DWORD selected) override;
  HRESULT CommandLinkClicked(DWORD fieldId) override;
  HRESULT GetSerialization(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE* response,
                           CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION* serialization, LPWSTR* statusText,
                           CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon) override;
  HRESULT ReportResult(NTSTATUS status, NTSTATUS subStatus, LPWSTR* statusText,
                       CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon) override;
  HRESULT GetUserSid(LPWSTR* sid) override;

  virtual ~CPwdResetUICredential();

 private:
  // --- fields (pwd_reset_credential.cpp)
  // A copy of `text` (nullptr counts as "") replaces the field's string; the
  // old one is wiped and freed only once the copy exists.
  HRESULT ReplaceFieldString(DWORD fieldId, const char16_t* text);
  // The field's string, "" when it has none.
  const char16_t* FieldText(DWORD fieldId) const;
  void Show(DWORD fieldId, CREDENTIAL_PROVIDER_FIELD_STATE state,
            CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE interactive = CPFIS_NONE);
  // Empties the answer and password fields, wiping what they held, and
  // tells the events; the last string result.
  HRESULT WipeSecretFields(bool answer, bool passwords);
  void LoadRulesText();

  // --- the user's side (credential_dialogue.cpp)
  HWND OwnerWindow();
  int ShowMessage(const char16_t* text, const char16_t* caption, UINT type);
  // State 4 under CPUS_CREDUI, else 0.
  void ApplyResetRule();
  void StepUsername(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE& response, LPWSTR* statusText,
                    CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon);
  void StepQuestion(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE& response);
  void StepNewPassword(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE& response);
  // After the last question: the new password, or the unlock. False when
  // the unlock failed and the reset rule was applied.
  bool FinishQuestions();
  void ShowHint();
  void SkipQuestion();

  // --- the refresh (credential_refresh.cpp)
  HRESULT Refresh();
  void CloseRulesDialog();

  ULONG references = 1;
  CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario = CPUS_INVALID;
  CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR descriptors[FIELD_COUNT] = {};
  FieldStatePair states[FIELD_COUNT] = {};
  LPWSTR strings[FIELD_COUNT] = {};
  DWORD mode = MODE_RESET;
  DWORD state = STATE_USERNAME;
  std::optional<std::u16string> domain;
  std::optional<std::u16string> user;
  std::unique_ptr<IPwdResetSession> session;
  std::unique_ptr<CPwdResetConfig> configuration;
  ICredentialProviderCredentialEvents* events = nullptr;
  std::optional<std::u16string> rulesText;
  std::optional<std::u16string> rulesCaption;
  std::unique_ptr<CRulesDialog> rulesDialog;
};

// GetBitmapValue's result when no bitmap could be had: the last error as an
// HRESULT, but never one that says success.
HRESULT BitmapFailureResult(DWORD lastError);
