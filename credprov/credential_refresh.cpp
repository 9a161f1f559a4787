// Showing the dialogue's state: which fields the tile shows and what they
// say, the rules dialog beside the new-password step, and the end of a
// dialogue when the tile is deselected.
#include "credprov/pwd_reset_credential.h"
#include "credprov/tessaline_module.h"
#include "platform/base/text.h"

#include <cstdio>

namespace {

constexpr char16_t kEnterUsername[] = u"Enter your username to begin.";
constexpr char16_t kEnterNewPassword[] = u"Enter your new password.";
constexpr char16_t kComplete[] = u"Complete!";
constexpr char16_t kCancelled[] = u"Operation cancelled.";

}  // namespace

HRESULT CPwdResetUICredential::SetSelected(BOOL* autoLogon) {
  if (autoLogon != nullptr) *autoLogon = FALSE;
  return Refresh();
}

HRESULT CPwdResetUICredential::Refresh() {
  for (DWORD id = FIELD_USERNAME; id <= FIELD_RULES_LINK; ++id) Show(id, CPFS_HIDDEN);
  Show(FIELD_SUBMIT, CPFS_DISPLAY_IN_SELECTED_TILE, states[FIELD_SUBMIT].interactive);
  HRESULT result = S_OK;
  bool keepRulesDialog = false;
  switch (state) {
    case STATE_USERNAME:
      Show(FIELD_USERNAME, CPFS_DISPLAY_IN_SELECTED_TILE, CPFIS_FOCUSED);
      result = ReplaceFieldString(FIELD_INSTRUCTION, kEnterUsername);
      break;
    case STATE_QUESTION: {
      Show(FIELD_QUESTION, CPFS_DISPLAY_IN_SELECTED_TILE);
      Show(FIELD_ANSWER, CPFS_DISPLAY_IN_SELECTED_TILE, CPFIS_FOCUSED);
      const char16_t* hint = session != nullptr ? session->GetHintText() : nullptr;
      if (hint != nullptr && *hint != 0) Show(FIELD_HINT_LINK, CPFS_DISPLAY_IN_SELECTED_TILE);
      if (session != nullptr && session->GetSkipsRemaining() != 0) Show(FIELD_SKIP_LINK, CPFS_DISPLAY_IN_SELECTED_TILE);
      char line[100];
      std::snprintf(line, sizeof line, "%s question %d/%d:", mode == MODE_UNLOCK ? "Unlock" : "Reset",
                    session != nullptr ? static_cast<int>(session->GetQuestionNumber()) : 0,
                    session != nullptr ? static_cast<int>(session->GetQuestionCount()) : 0);
      result = ReplaceFieldString(FIELD_INSTRUCTION, Utf8ToUtf16(line).c_str());
      if (SUCCEEDED(result)) {
        result = ReplaceFieldString(FIELD_QUESTION, session != nullptr ? session->GetQuestionText() : nullptr);
      }
      if (SUCCEEDED(result)) result = ReplaceFieldString(FIELD_ANSWER, u"");
      break;
    }
    case STATE_NEW_PASSWORD:
      Show(FIELD_NEW_PASSWORD, CPFS_DISPLAY_IN_SELECTED_TILE, CPFIS_FOCUSED);
      Show(FIELD_CONFIRM_PASSWORD, CPFS_DISPLAY_IN_SELECTED_TILE);
      if (rulesText) {
        if (rulesDialog == nullptr) {
          rulesDialog = CRulesDialog::Start(TessalineInstance(), OwnerWindow(), rulesText, rulesCaption);
        }
        keepRulesDialog = true;
      }
      result = ReplaceFieldString(FIELD_INSTRUCTION, kEnterNewPassword);
      break;
    default:
      result = ReplaceFieldString(FIELD_INSTRUCTION, state == STATE_COMPLETE ? kComplete : kCancelled);
      Show(FIELD_QUESTION, CPFS_DISPLAY_IN_SELECTED_TILE);
      if (SUCCEEDED(result)) result = ReplaceFieldString(FIELD_QUESTION, u"");
      Show(FIELD_SUBMIT, CPFS_HIDDEN, states[FIELD_SUBMIT].interactive);
      break;
  }
  if (!keepRulesDialog) CloseRulesDialog();
  if (FAILED(result)) return result;
  if (events == nullptr) return S_OK;

  DWORD adjacent = 0;
  const HRESULT placed = GetSubmitButtonValue(FIELD_SUBMIT, &adjacent);
  for (const DWORD id : {FIELD_INSTRUCTION, FIELD_QUESTION, FIELD_ANSWER}) events->SetFieldString(this, id, FieldText(id));
  for (DWORD id = 0; id < FIELD_COUNT; ++id) {
    events->SetFieldState(this, id, states[id].state);
    events->SetFieldInteractiveState(this, id, states[id].interactive);
  }
  if (states[FIELD_SUBMIT].state != CPFS_HIDDEN && SUCCEEDED(placed)) {
    events->SetFieldSubmitButton(this, FIELD_SUBMIT, adjacent);
  }
  return S_OK;
}

void CPwdResetUICredential::CloseRulesDialog() { rulesDialog.reset(); }

HRESULT CPwdResetUICredential::SetDeselected() {
  state = STATE_USERNAME;
  CloseRulesDialog();
  domain.reset();
  user.reset();
  session.reset();
  HRESULT result = S_OK;
  for (const DWORD id : {FIELD_USERNAME, FIELD_ANSWER, FIELD_NEW_PASSWORD, FIELD_CONFIRM_PASSWORD}) {
    result = ReplaceFieldString(id, u"");
    if (SUCCEEDED(result) && events != nullptr) events->SetFieldString(this, id, FieldText(id));
  }
  return result;
}
