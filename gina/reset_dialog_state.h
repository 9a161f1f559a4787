// What the reset, question and new-password dialogs share while one reset
// or unlock runs: the domain and user name sent with the lookup, the
// questions, hints and stored answers of its reply, the mode, the question
// being asked, and the details geometry of the reset dialog. One chain of
// these dialogs at a time, all on the thread that runs them.
#pragma once

#include <string>
#include <vector>

#include "platform/windows/window.h"

// Dialog templates of this library and their items.
inline constexpr WORD IDD_RESET_PASSWORD = 102;
inline constexpr WORD IDD_RESET_QUESTIONS = 103;
inline constexpr WORD IDD_NEW_PASSWORD = 104;
inline constexpr WORD IDI_VANTROPE = 128;
inline constexpr int IDC_USERNAME = 1001;
inline constexpr int IDC_DOMAIN = 1002;
inline constexpr int IDC_LOG_LIST = 1003;
inline constexpr int IDC_QUESTION = 1004;
inline constexpr int IDC_ANSWER = 1005;
inline constexpr int IDC_PROMPT = 1006;
inline constexpr int IDC_NEW_PASSWORD = 1007;
inline constexpr int IDC_CONFIRM = 1008;
inline constexpr int IDC_HINT = 1008;
inline constexpr int IDC_DETAILS = 1009;

// The initial parameter of the reset dialog that asks for an unlock (the id
// of the button that opened it); anything else asks for a reset.
inline constexpr LPARAM UNLOCK_ACCOUNT_BUTTON = 4001;

struct CResetDialogState {
  std::string domain;
  std::string userName;
  // Same index, same question.
  std::vector<std::string> questions;
  std::vector<std::string> hints;
  std::vector<std::string> answers;  // plain or "md5:" form: wiped when emptied
  bool unlockMode = false;
  int currentQuestion = 0;
  HWND logList = nullptr;  // item 1003 of the open reset dialog

  // Details geometry of the reset dialog, in its client coordinates.
  int buttonTop = 0;        // top of the Details button with the details shown
  int listTop = 0;          // top of the log list
  int expandedHeight = 0;   // the dialog's height with the details shown
  bool detailsShown = false;

  int QuestionCount() const { return static_cast<int>(questions.size()); }
  // Empties the three lists, wiping the stored answers.
  void ClearQuestions();
};

// The one state of the process.
CResetDialogState& ResetDialogState();
