// The scripted user of the reset dialogs.
#include <gtest/gtest.h>

#include "gina/tests/reset_dialog_user.h"

#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/winlogon_driver.h"
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

std::function<void(HWND)> ClickItem(int id) {
  return [id](HWND dialog) { EXPECT_TRUE(Click(dialog, id)) << "item " << id; };
}

std::function<void(HWND)> TypeAndClick(int item, std::string text, int button) {
  return [=](HWND dialog) {
    EXPECT_TRUE(TypeItemText(dialog, item, text));
    EXPECT_TRUE(Click(dialog, button)) << "button " << button;
  };
}

std::function<void(HWND)> TypePasswords(std::string password, std::string confirmation) {
  return [=](HWND dialog) {
    EXPECT_TRUE(TypeItemText(dialog, IDC_NEW_PASSWORD, password));
    EXPECT_TRUE(TypeItemText(dialog, IDC_CONFIRM, confirmation));
    EXPECT_TRUE(Click(dialog, IDOK));
  };
}

CResetDialogRun::CResetDialogRun(const std::string& domain, const std::string& moreKeys) {
  system = std::make_unique<CGinaTestSystem>(FakeGinaVariant::Full);
  system->WriteRegistry("\"VNKResetPassword\"=dword:00000001\r\n\"DefaultDomainName\"=\"" + domain + "\"\r\n",
                        "\"CentralServer\"=\"localhost\"\r\n\r\n" + moreKeys);
  winlogon = std::make_unique<CWinlogonDriver>();
  EXPECT_TRUE(winlogon->Negotiate(WLX_VERSION_1_4));
  winlogon->Initialize();
}

CResetDialogRun::~CResetDialogRun() {
  user.reset();
  winlogon.reset();
  system.reset();
}

void CResetDialogRun::Run(std::vector<UserStep> steps, bool unlock) {
  steps.insert(steps.begin(), UserStep{DialogKind::Logon, ClickItem(unlock ? 4001 : 4000)});
  user = std::make_unique<CScriptedResetUser>(std::move(steps));
  winlogon->LoggedOutSAS();
  EXPECT_EQ(user->StepsRun(), user->StepCount()) << "the script stopped early";
}

int CResetDialogRun::ResetDialogResult() const {
  for (const WinlogonDialogCall& call : winlogon->DialogCalls()) {
    if (call.templateId == IDD_RESET_PASSWORD) return call.result;
  }
  return -2;
}
