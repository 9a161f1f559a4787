// What the reset, question and new-password dialogs share while one reset
// or unlock runs: the domain and user name sent with the lookup, the
// questions, hints and stored answers of its reply, the mode, the question
// being asked, and the details geometry of the reset dialog. One chain of
// these dialogs at a time, all on the thread that runs them.
#pragma once

#include <string>
#include <vector>

#include "platform/windows/window_types.h"

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
