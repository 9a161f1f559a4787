// The scripted user of the reset dialogs.
#include <gtest/gtest.h>

#include "gina/tests/reset_dialog_user.h"

#include "gina/tests/fake_gina_record.h"
#include "gina/vantrope_resources.h"
#include "platform/windows/user_agent.h"
#include "platform/windows/window.h"

DialogKind KindOf(HWND dialog) {
  switch (FakeDialogIdOf(dialog)) {
    case 1500:
      return DialogKind::Logon;
    case 1800:
      return DialogKind::Unlock;
    default:
      break;
  }
  if (GetDlgItem(dialog, IDC_DETAILS) != nullptr) return DialogKind::Reset;
  if (GetDlgItem(dialog, IDC_ANSWER) != nullptr) return DialogKind::Questions;
  if (GetDlgItem(dialog, IDC_NEW_PASSWORD) != nullptr) return DialogKind::NewPassword;
  return DialogKind::Other;
}

CScriptedResetUser::CScriptedResetUser(std::vector<UserStep> script) : steps(std::move(script)) {
  SetModalAgent([this](HWND dialog) {
    Look();
    const DialogKind kind = KindOf(dialog);
    seen.push_back(kind);
    if (next >= steps.size() || steps[next].kind != kind) return false;
    const UserStep& step = steps[next++];
    step.act(dialog);
    return true;
  });
  SetMessageBoxSink([this](const MessageBoxRequest& box) {
    Look();
    boxes.push_back(box);
    return IDOK;
  });
}

CScriptedResetUser::~CScriptedResetUser() {
  SetModalAgent(nullptr);
  SetMessageBoxSink(nullptr);
}

std::vector<MessageBoxRequest> CScriptedResetUser::TakeBoxes() {
  std::vector<MessageBoxRequest> taken;
  taken.swap(boxes);
  return taken;
}

void CScriptedResetUser::Look() {
  for (const HWND dialog : OpenModalDialogs()) {
    if (KindOf(dialog) == DialogKind::Reset) logLines = ListBoxLines(GetDlgItem(dialog, IDC_LOG_LIST));
  }
}

::testing::AssertionResult HasLinesInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& wanted) {
  std::size_t at = 0;
  for (const std::string& line : wanted) {
    while (at < lines.size() && lines[at] != line) ++at;
    if (at == lines.size()) {
      std::string all;
      for (const std::string& l : lines) all += "\n  " + l;
      return ::testing::AssertionFailure() << "no line \"" << line << "\" in order among:" << all;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}
