// The reset and unlock dialogs end to end with the fixture domain
// controller behind the real Pellucor: a whole reset to "Password changed"
// whose new password logs on, and an unlock after a lock-out after which
// the account logs on again.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "RemoteSvr/common/hashed_answer.h"
#include "gina/tests/reset_dialog_user.h"
#include "gina/vantrope_resources.h"
#include "platform/windows/user_agent.h"
#include "platform/windows/window.h"
#include "tests/support/dc_service_fixture.h"

namespace {

constexpr char kStart[] = "Start-Passw0rd";

class ResetDialogsDcTest : public CDcServiceTest {
 protected:
  void SetUp() override {
    CDcServiceTest::SetUp();
    servicePort = DEFAULT_PORT;
  }
  void TearDown() override {
    run.reset();
    CDcServiceTest::TearDown();
  }

  // A new user with two questions: a plain answer with a hint and a hashed
  // one; Pellucor started, then Winlogon.
  std::string Start(const std::string& prefix) {
    const std::string user = NewUser(prefix, kStart);
    const std::string key = DcSettings().domain + "\\" + user;
    files.WriteQuestionFile(key + "\tFavourite colour?\tblue\tthe sky\n" + key + "\tFirst school?\t" +
                            HashedAnswer("Hill Road") + "\n");
    StartService();
    run = std::make_unique<CResetDialogRun>(DcSettings().domain, DcRegistryKeys());
    return user;
  }

  // The DC's sections of its registry file (its Platform key), so that the
  // extension's NetGetDCName asks the fixture DC.
  static std::string DcRegistryKeys() {
    std::ifstream in(DcSettings().registry, std::ios::binary);
    std::ostringstream keys;
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("Windows Registry Editor", 0) != 0) keys << line << "\n";
    }
    return keys.str();
  }

  // Answers whichever question is in front, in mixed case.
  static void AnswerRight(HWND dialog) {
    const std::string question = ItemText(dialog, IDC_QUESTION);
    EXPECT_TRUE(TypeItemText(dialog, IDC_ANSWER, question == "First school?" ? "hILL rOAD" : "Blue"));
    EXPECT_TRUE(Click(dialog, IDOK));
  }

  std::unique_ptr<CResetDialogRun> run;
};

TEST_F(ResetDialogsDcTest, WholeResetToPasswordChangedAndTheNewPasswordLogsOn) {
  const std::string user = Start("vtreset");
  run->Run({
      {DialogKind::Reset, TypeAndClick(IDC_USERNAME, user)},
      {DialogKind::Questions, TypeAndClick(IDC_ANSWER, "red")},
      {DialogKind::Questions, AnswerRight},
      {DialogKind::Questions, AnswerRight},
      {DialogKind::NewPassword, TypePasswords("Fresh-Passw0rd", "Fresh-Passw0rd!")},
      {DialogKind::NewPassword, TypePasswords("Fresh-Passw0rd", "Fresh-Passw0rd")},
  });
  const auto boxes = run->User().TakeBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "Invalid answer, try again.");
  EXPECT_EQ(boxes[1].text, "Passwords do not match, try again.");
  EXPECT_EQ(boxes[2].text, "Password changed");
  EXPECT_EQ(boxes[2].caption, "New Password");
  EXPECT_EQ(boxes[2].type, MB_ICONINFORMATION);
  EXPECT_TRUE(HasLinesInOrder(run->User().LogLines(),
                              {"Default domain = " + DcSettings().domain, "Connected OK", "2 questions returned",
                               "Sending request 1, username " + user, "Read 5148 bytes", "Password changed"}));
  EXPECT_EQ(run->ResetDialogResult(), 1);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart));
}

TEST_F(ResetDialogsDcTest, WholeUnlockAfterALockOutAndTheAccountLogsOnAgain) {
  const std::string user = Start("vtunlock");
  CDcDirectory::FailLogOns(user);
  ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
  std::vector<std::string> captions;
  const auto answer = [&](HWND dialog) {
    captions.push_back(WindowText(dialog));
    AnswerRight(dialog);
  };
  run->Run(
      {
          {DialogKind::Reset,
           [&](HWND dialog) {
             captions.push_back(WindowText(dialog));
             TypeAndClick(IDC_USERNAME, user)(dialog);
           }},
          {DialogKind::Questions, answer},
          {DialogKind::Questions, answer},
      },
      true);
  EXPECT_EQ(captions,
            (std::vector<std::string>{"Unlock Account", "Unlock Question 1/2", "Unlock Question 2/2"}));
  const auto boxes = run->User().TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Account unlocked");
  EXPECT_EQ(boxes[0].caption, "Unlock Account");
  EXPECT_EQ(boxes[0].type, MB_ICONINFORMATION);
  for (const DialogKind kind : run->User().Seen()) EXPECT_NE(kind, DialogKind::NewPassword);
  EXPECT_EQ(run->ResetDialogResult(), 1);
  EXPECT_FALSE(directory.ReadAccount(user).LockedOut());
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart));
}

}  // namespace
