// Dialog 103, "Reset Questions": asks the looked-up questions one by one and
// checks each answer here against the stored plain or hashed answer. Nothing
// goes to the service for a wrong answer.
#include <string>

#include "RemoteSvr/common/hashed_answer.h"
#include "gina/dialog_text.h"
#include "gina/reset_dialog_state.h"
#include "gina/reset_dialogs.h"
#include "gina/vantrope_module.h"
#include "gina/vantrope_resources.h"
#include "platform/base/wipe.h"
#include "platform/windows/dialog.h"
#include "platform/windows/icon.h"
#include "platform/windows/message_box.h"

namespace {

std::string QuestionPosition(int position, int count) {
  return std::to_string(position + 1) + "/" + std::to_string(count);
}

// Item 1004, the Hint button and the caption for the current question.
void ShowQuestion(HWND dialog) {
  const CResetDialogState& state = ResetDialogState();
  const auto index = static_cast<std::size_t>(state.currentQuestion);
  SetDlgItemTextA(dialog, IDC_QUESTION, state.questions[index].c_str());
  EnableWindow(GetDlgItem(dialog, IDC_HINT), state.hints[index].empty() ? FALSE : TRUE);
  const std::string caption = std::string(state.unlockMode ? "Unlock" : "Reset") + " Question " +
                              QuestionPosition(state.currentQuestion, state.QuestionCount());
  SetWindowTextA(dialog, caption.c_str());
}

void OnOk(HWND dialog) {
  CResetDialogState& state = ResetDialogState();
  std::string typed;
  GetDlgItemString(dialog, IDC_ANSWER, typed);
  SetDlgItemTextA(dialog, IDC_ANSWER, "");
  const bool passes = AnswerMatches(state.answers[static_cast<std::size_t>(state.currentQuestion)], typed);
  WipeString(typed);
  if (!passes) {
    MessageBoxA(dialog, "Invalid answer, try again.", "ERROR", MB_ICONERROR);
    return;
  }
  if (++state.currentQuestion >= state.QuestionCount()) {
    EndDialog(dialog, 1);
    return;
  }
  ShowQuestion(dialog);
}

void OnHint(HWND dialog) {
  const CResetDialogState& state = ResetDialogState();
  const std::string& hint = state.hints[static_cast<std::size_t>(state.currentQuestion)];
  const std::string caption = "Hint for Question " + QuestionPosition(state.currentQuestion, state.QuestionCount());
  MessageBoxA(dialog, hint.empty() ? "No hint is defined for this question." : hint.c_str(), caption.c_str(),
              MB_ICONINFORMATION);
}

}  // namespace

INT_PTR ResetQuestionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  CResetDialogState& state = ResetDialogState();
  if (message == WM_INITDIALOG) {
    SendMessageA(dialog, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(VantropeModule(), MAKEINTRESOURCEA(IDI_VANTROPE))));
    CentreDialog(dialog);
    state.currentQuestion = 0;
    // The reset dialog opens this one only after a lookup with questions.
    if (state.QuestionCount() == 0) {
      EndDialog(dialog, 0);
      return 0;
    }
    ShowQuestion(dialog);
    return 0;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == 0) {
    const bool asking = state.currentQuestion < state.QuestionCount();
    switch (LOWORD(wParam)) {
      case IDOK:
        if (asking) OnOk(dialog);
        return 0;
      case IDC_HINT:
        if (asking) OnHint(dialog);
        return 0;
      case IDCANCEL:
        EndDialog(dialog, 0);
        return 0;
      default:
        break;
    }
  }
  if (GetDlgItem(dialog, IDC_ANSWER) != nullptr) {
    EnableWindow(GetDlgItem(dialog, IDOK), ItemTextBlank(dialog, IDC_ANSWER) ? FALSE : TRUE);
  }
  return 0;
}
