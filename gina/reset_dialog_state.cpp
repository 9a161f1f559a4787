// The shared state of the reset dialogs.
#include "gina/reset_dialog_state.h"

#include "platform/base/wipe.h"

void CResetDialogState::ClearQuestions() {
  for (std::string& answer : answers) WipeString(answer);
  answers.clear();
  questions.clear();
  hints.clear();
}

CResetDialogState& ResetDialogState() {
  static CResetDialogState state;
  return state;
}
