// The change-password dialog: the "Password Rules" dialog before it
// (Decline keeps it from opening, and the hook answers 0), then the rule
// engine on every OK (a rejection swallows the OK and is shown in a box
// owned by the dialog; an accepted password reaches the chained
// procedure), with the passwords read whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/window_view.h"
#include "gina/tests/winlogon_driver.h"
#include "platform/windows/message_box.h"
#include "platform/windows/user_agent.h"

namespace {

constexpr WORD kRulesDialog = 101;
constexpr int kRulesText = 1000;

// What the user types into the change-password dialog before pressing OK.
struct PasswordEntry {
  std::string newPassword;
  std::string confirmation;
  // OK as the keyboard's Enter sends it: no window in lParam.
  bool byEnter = false;
};

class ChangePasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system_.WriteSystemFile("MorrowenRules.txt", "ACTIVE 1\nMIN_LENGTH 8\nMAX_LENGTH 1500\n");
    SetMessageBoxSink([this](const MessageBoxRequest& box) {
      boxes_.push_back(box);
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxSink({}); }

  void Start(int enforcePassword) {
    system_.SetSwitches(-1, enforcePassword);
    ASSERT_TRUE(winlogon_.Negotiate(WLX_VERSION_1_4));
    ASSERT_EQ(winlogon_.Initialize(), FakeGinaAnswer("WlxInitialize"));
  }

  // Runs WlxLoggedOnSAS: the rules dialog is answered with `rulesButton`
  // (0: left to close), then each entry is typed and OK pressed, the
  // dialog's window kept in changeDialog_.
  int Run(int rulesButton, const std::vector<PasswordEntry>& entries) {
    std::size_t next = 0;
    CModalAgentScope agent([&](HWND dialog) {
      if (DialogTemplateIdOf(dialog) == kRulesDialog) {
        rulesSeen_ = true;
        if (rulesButton == 0) return false;
        Click(dialog, rulesButton);
        return true;
      }
      if (FakeDialogIdOf(dialog) != 1700 || next >= entries.size()) return false;
      changeDialog_ = dialog;
      const PasswordEntry& entry = entries[next++];
      TypeText(GetDlgItem(dialog, 1702), "pat");
      TypeText(GetDlgItem(dialog, 1704), "EXAMPLE");
      TypeText(GetDlgItem(dialog, 1706), "Old-password-1");
      TypeText(GetDlgItem(dialog, 1708), entry.newPassword);
      TypeText(GetDlgItem(dialog, 1710), entry.confirmation);
      if (entry.byEnter) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
      } else {
        Click(dialog, IDOK);
      }
      return true;
    });
    return winlogon_.LoggedOnSAS();
  }

  // The OKs that reached the chained procedure.
  static int OksReachingTheChainedDialog() {
    int oks = 0;
    for (const FakeDialogMessage& m : FakeDialogMessages()) {
      if (m.dialogId == 1700 && m.message == WM_COMMAND && LOWORD(m.wParam) == IDOK) ++oks;
    }
    return oks;
  }
  static bool ChainedDialogOpened() {
    for (const FakeDialogMessage& m : FakeDialogMessages()) {
      if (m.dialogId == 1700) return true;
    }
    return false;
  }
  static int ChainedDialogResult() {
    const auto results = FakeDialogResults();
    return results.empty() ? -99 : results.back().second;
  }

  CGinaTestSystem system_{FakeGinaVariant::Full};
  CWinlogonDriver winlogon_;
  std::vector<MessageBoxRequest> boxes_;
  bool rulesSeen_ = false;
  HWND changeDialog_ = nullptr;
};

TEST_F(ChangePasswordTest, DecliningTheRulesKeepsTheDialogClosedAndTheHookAnswersZero) {
  Start(-1);
  for (const int answer : {IDCANCEL, 0}) {
    SCOPED_TRACE(answer);
    ClearFakeGinaRecord();
    rulesSeen_ = false;
    EXPECT_EQ(Run(answer, {}), FakeGinaAnswer("WlxLoggedOnSAS"));
    EXPECT_TRUE(rulesSeen_);
    EXPECT_FALSE(ChainedDialogOpened());
    EXPECT_EQ(ChainedDialogResult(), 0);
  }
  // The rules dialog came through Winlogon's own WlxDialogBox with this
  // library's module and the chained library's owner.
  ASSERT_FALSE(winlogon_.DialogCalls().empty());
  EXPECT_EQ(winlogon_.DialogCalls().front().templateId, 101);
  EXPECT_EQ(winlogon_.DialogCalls().front().instance, winlogon_.LibraryInstance());
}

TEST_F(ChangePasswordTest, ARejectedPasswordSwallowsOkWithTheEnginesBoxOwnedByTheDialog) {
  Start(-1);
  Run(IDOK, {{"short", "short"}, {"Long-enough-1", "Long-enough-1"}});
  ASSERT_NE(changeDialog_, nullptr);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].owner, changeDialog_);
  EXPECT_EQ(boxes_[0].caption, "VNK Password Enforcer");
  EXPECT_EQ(boxes_[0].type & MB_ICONERROR, MB_ICONERROR);
  // Only the accepted one reached the chained procedure, which ended its
  // dialog with it.
  EXPECT_EQ(OksReachingTheChainedDialog(), 1);
  EXPECT_EQ(ChainedDialogResult(), IDOK);
}

// An OK without the button's window (Enter in a field) is checked too.
TEST_F(ChangePasswordTest, EveryOkIsCheckedHoweverItComes) {
  Start(-1);
  Run(IDOK, {{"short", "short", true}});
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(OksReachingTheChainedDialog(), 0);
}

// The check reads the passwords whole: one too long for the rules is
// refused even though its first 1023 characters would pass.
TEST_F(ChangePasswordTest, PasswordsAreReadWholeForTheCheck) {
  Start(-1);
  const std::string tooLong = "Aa1-" + std::string(1600, 'x');
  const std::string longButAllowed = "Aa1-" + std::string(1400, 'y');
  Run(IDOK, {{tooLong, tooLong}, {longButAllowed, longButAllowed}});
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(OksReachingTheChainedDialog(), 1);
}

// Passwords that differ (if only in letter case) are the chained dialog's
// to refuse: no rule check, and the OK reaches it.
TEST_F(ChangePasswordTest, UnequalPasswordsSkipTheCheck) {
  Start(-1);
  Run(IDOK, {{"short", "SHORT"}});
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(OksReachingTheChainedDialog(), 1);
}

// With VNKEnforcePassword 0 there is no rules dialog and no check: the
// chained dialog runs with its own procedure.
TEST_F(ChangePasswordTest, WithEnforcementOffTheChainedDialogRunsAlone) {
  Start(0);
  Run(IDOK, {{"short", "short"}});
  EXPECT_FALSE(rulesSeen_);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(OksReachingTheChainedDialog(), 1);
  for (const WinlogonDialogCall& call : winlogon_.DialogCalls()) {
    EXPECT_NE(call.templateId, kRulesDialog);
  }
}

}  // namespace
