// The reset and unlock dialogs end to end: the tests' Winlogon and the fake
// chained library open the logon dialog, a scripted user presses its reset
// button and goes through dialogs 102 to 104 against the real Pellucor on
// port 7257 (no directory behind it), or against a scripted peer where the
// service never answers so; and with no service at all.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RemoteSvr/common/build_number.h"
#include "RemoteSvr/common/hashed_answer.h"
#include "RemoteSvr/common/wsa_error_text.h"
#include "credprov/tests/scripted_peer.h"
#include "gina/tests/reset_dialog_user.h"
#include "gina/tests/window_view.h"
#include "gina/vantrope_resources.h"
#include "platform/base/user_and_computer_name.h"
#include "platform/windows/dialog.h"
#include "platform/windows/user_agent.h"
#include "platform/windows/window.h"
#include "tests/support/service_fixture.h"

namespace {

constexpr char kDomain[] = "corp.example.org";

class ResetDialogsTest : public ::testing::Test {
 protected:
  // Pellucor on the service's port with `questionFile`.
  void StartService(const std::string& questionFile) {
    files.WriteQuestionFile(questionFile);
    service = MakeServiceRunner("Pellucor", DEFAULT_PORT);
    ASSERT_NE(service, nullptr) << "the Pellucor program is not built";
    ASSERT_TRUE(service->Start(files)) << files.LogText();
  }
  void TearDown() override {
    run.reset();
    if (service != nullptr) service->Stop();
  }
  // After the service started.
  void StartWinlogon() { run = std::make_unique<CResetDialogRun>(kDomain); }
  void Run(std::vector<UserStep> steps) { run->Run(std::move(steps)); }

  CServiceFiles files;
  std::unique_ptr<IServiceRunner> service;
  std::unique_ptr<CResetDialogRun> run;
};

// The answers the tests type for each question the service may ask first.
std::string AnswerFor(const std::string& question) {
  if (question == "Pet?") return "rEX";
  if (question == "Colour?") return "GrEeN";
  return "?";
}

TEST_F(ResetDialogsTest, QuestionsHintsAndPasswordsUpToTheServiceRefusingThePassword) {
  // One plain answer with a hint; one hashed answer with its digest in
  // upper-case hex, as the service's tools write it, and no hint.
  StartService("corp.example.org\\alice\tPet?\tRex\tfurry\n"
               "corp.example.org\\alice\tColour?\t" + HashedAnswer("green") + "\n");
  StartWinlogon();
  std::vector<std::string> asked;
  const auto answerRight = [&](HWND dialog) {
    const std::string question = ItemText(dialog, IDC_QUESTION);
    asked.push_back(question + "|" + WindowText(dialog));
    EXPECT_TRUE(TypeItemText(dialog, IDC_ANSWER, AnswerFor(question)));
    EXPECT_TRUE(Click(dialog, IDOK));
  };
  // Hint is there only for the question that has one.
  const auto askHint = [](HWND dialog) {
    const bool hasHint = ItemText(dialog, IDC_QUESTION) == "Pet?";
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_HINT)) != FALSE, hasHint);
    if (hasHint) {
      EXPECT_TRUE(Click(dialog, IDC_HINT));
    }
  };
  Run({
      {DialogKind::Reset,
       [](HWND dialog) {
         EXPECT_EQ(WindowText(dialog), "Reset Password");
         EXPECT_EQ(ItemText(dialog, IDC_DETAILS), "Details >>");
         EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_LOG_LIST)));
         EXPECT_EQ(ComboBoxLines(GetDlgItem(dialog, IDC_DOMAIN)), std::vector<std::string>{kDomain});
         // Blanks alone leave OK off.
         EXPECT_TRUE(TypeItemText(dialog, IDC_USERNAME, "   "));
         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
       }},
      {DialogKind::Reset, TypeAndClick(IDC_USERNAME, "alice")},
      {DialogKind::Questions, askHint},
      {DialogKind::Questions, TypeAndClick(IDC_ANSWER, "wrong")},
      {DialogKind::Questions,
       [&](HWND dialog) {
         EXPECT_EQ(ItemText(dialog, IDC_ANSWER), "") << "the answer field is emptied at once";
         answerRight(dialog);
       }},
      {DialogKind::Questions, askHint},
      {DialogKind::Questions, answerRight},
      {DialogKind::NewPassword,
       [](HWND dialog) {
         EXPECT_EQ(WindowText(dialog), "New Password");
         EXPECT_EQ(ItemText(dialog, IDC_PROMPT), "Enter your new password, then press 'OK'.");
         EXPECT_TRUE(TypeItemText(dialog, IDC_NEW_PASSWORD, "Fresh-Passw0rd"));
         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
       }},
      {DialogKind::NewPassword, TypePasswords("Fresh-Passw0rd", "fresh-Passw0rd")},
      {DialogKind::NewPassword, TypePasswords(std::string(256, 'p'), std::string(256, 'p'))},
      {DialogKind::NewPassword, TypePasswords("short", "short")},
      {DialogKind::NewPassword, ClickItem(IDCANCEL)},
  });
  // The service chooses the order.
  ASSERT_EQ(asked.size(), 2u);
  const bool petFirst = asked[0].rfind("Pet?|", 0) == 0;
  EXPECT_EQ(asked[0], petFirst ? "Pet?|Reset Question 1/2" : "Colour?|Reset Question 1/2");
  EXPECT_EQ(asked[1], petFirst ? "Colour?|Reset Question 2/2" : "Pet?|Reset Question 2/2");
  auto boxes = run->User().TakeBoxes();
  ASSERT_EQ(boxes.size(), 5u);
  // The one hint, from whichever place its question had.
  const std::size_t hintAt = petFirst ? 0 : 1;
  EXPECT_EQ(boxes[hintAt].text, "furry");
  EXPECT_EQ(boxes[hintAt].caption, petFirst ? "Hint for Question 1/2" : "Hint for Question 2/2");
  EXPECT_EQ(boxes[hintAt].type, MB_ICONINFORMATION);
  boxes.erase(boxes.begin() + static_cast<long>(hintAt));
  EXPECT_EQ(boxes[0].text, "Invalid answer, try again.");
  EXPECT_EQ(boxes[0].caption, "ERROR");
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  EXPECT_EQ(boxes[1].text, "Passwords do not match, try again.");
  EXPECT_EQ(boxes[1].caption, "ERROR");
  EXPECT_EQ(boxes[2].text,
            "The new password is too long for the Varnok Password Reset server. Please choose a shorter password.");
  EXPECT_EQ(boxes[2].type, MB_ICONERROR);
  // The service's refusal, also in the log list.
  EXPECT_EQ(boxes[3].caption, "New Password");
  EXPECT_EQ(boxes[3].type, MB_ICONERROR);
  EXPECT_FALSE(boxes[3].text.empty());
  EXPECT_TRUE(HasLinesInOrder(run->User().LogLines(),
                              {"Varnok Self-Service Password Reset", "", "Default domain = corp.example.org",
                               "Host name = localhost", "Host address = 127.0.0.1",
                               "Connecting to 127.0.0.1 port 7257", "Connected OK", "Sending request 0, username alice",
                               "Read 5148 bytes", "2 questions returned", "Sending request 1, username alice",
                               "Read 5148 bytes", boxes[3].text}));
  // Only the refused password went out: the mismatch and the long one never did.
  const auto& lines = run->User().LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Sending request 1, username alice"), 1);
  EXPECT_EQ(run->ResetDialogResult(), 0);
}

TEST_F(ResetDialogsTest, LockedUserAndOverLongNameAreRefusedAndTheDialogStays) {
  StartService("corp.example.org\\bob\tColour?\tgreen\n"
               "corp.example.org\\bob\t{{LOCKED}} # 3 failed attempts\n");
  StartWinlogon();
  Run({
      {DialogKind::Reset, TypeAndClick(IDC_USERNAME, std::string(256, 'b'))},
      {DialogKind::Reset, TypeAndClick(IDC_USERNAME, "bob")},
      {DialogKind::Reset, ClickItem(IDCANCEL)},
  });
  const auto boxes = run->User().TakeBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "The user name is too long for the Varnok Password Reset server.");
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[1].caption, "Error");
  EXPECT_EQ(boxes[1].type, MB_ICONINFORMATION);
  EXPECT_EQ(boxes[1].text.rfind("Too many failed attempts for corp.example.org\\bob", 0), 0u) << boxes[1].text;
  const auto& lines = run->User().LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("Sending request 0", 0) == 0; }),
            1);
  EXPECT_EQ(run->ResetDialogResult(), 0);
}

TEST_F(ResetDialogsTest, NoReachableServerIsToldAndTheDialogStaysOpen) {
  StartWinlogon();
  // Dialog 102's template: the list's top at 48 units, the buttons' at
  // 135, the dialog 156 high; collapsed, the buttons take the list's top
  // and the dialog loses the difference.
  const LONG listTop = DialogUnitsToPixelsY(48);
  const LONG buttonTop = DialogUnitsToPixelsY(135);
  const LONG expanded = DialogUnitsToPixelsY(156);
  const auto expectLayout = [&](HWND dialog, bool shown) {
    const LONG top = shown ? buttonTop : listTop;
    for (const int id : {IDOK, IDCANCEL, IDC_DETAILS}) {
      const RECT rect = ClientRectOf(GetDlgItem(dialog, id));
      EXPECT_EQ(rect.top, top) << "item " << id;
      EXPECT_EQ(rect.bottom - rect.top, DialogUnitsToPixelsY(14)) << "item " << id;
    }
    EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, IDC_DETAILS)).left, DialogUnitsToPixelsX(149));
    EXPECT_EQ(HeightOf(dialog), shown ? expanded : expanded - buttonTop + listTop);
    EXPECT_EQ(LastInvalidatedRect(dialog), ClientRectOf(GetDlgItem(dialog, IDC_DETAILS)));
    EXPECT_EQ(ItemText(dialog, IDC_DETAILS), shown ? "<< Details" : "Details >>");
    EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_LOG_LIST)) != FALSE, shown);
  };
  Run({
      {DialogKind::Reset,
       [&](HWND dialog) {
         expectLayout(dialog, false);
         TypeAndClick(IDC_USERNAME, "carol")(dialog);
       }},
      {DialogKind::Reset, ClickItem(IDC_DETAILS)},
      {DialogKind::Reset,
       [&](HWND dialog) {
         expectLayout(dialog, true);
         EXPECT_TRUE(Click(dialog, IDC_DETAILS));
         expectLayout(dialog, false);
         EXPECT_TRUE(Click(dialog, IDCANCEL));
       }},
  });
  EXPECT_TRUE(run->User().TakeBoxes().empty());
  EXPECT_TRUE(HasLinesInOrder(
      run->User().LogLines(), {"Host name = localhost", "Connecting to 127.0.0.1 port 7257",
                         "Error connecting to 127.0.0.1 port 7257 -", CWsaErrorText(WSAECONNREFUSED).text,
                         "Could not connect to any servers", "Sending request 0, username carol",
                         "Sending 5148 bytes", "Error sending 5148 bytes to socket 4294967295"}));
  EXPECT_EQ(run->ResetDialogResult(), 0);
}

// Without a default domain no server is tried; OK still sends, and the
// record client says why nothing went out.
TEST_F(ResetDialogsTest, NoDefaultDomainTriesNoServer) {
  run = std::make_unique<CResetDialogRun>("");
  Run({
      {DialogKind::Reset,
       [](HWND dialog) {
         EXPECT_EQ(ComboBoxLines(GetDlgItem(dialog, IDC_DOMAIN)), std::vector<std::string>{""});
         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
         TypeAndClick(IDC_USERNAME, "frank")(dialog);
       }},
      {DialogKind::Reset, ClickItem(IDCANCEL)},
  });
  const auto& lines = run->User().LogLines();
  char userName[256] = {}, computer[256] = {};
  DWORD size = sizeof(userName);
  ASSERT_TRUE(GetUserNameA(userName, &size));
  size = sizeof(computer);
  ASSERT_TRUE(GetComputerNameA(computer, &size));
  EXPECT_TRUE(HasLinesInOrder(lines, {"Varnok Self-Service Password Reset",
                                      "Version 2.0." + std::to_string(GetBuildNumber()), "",
                                      std::string("Current username = ") + userName,
                                      std::string("Current computer = ") + computer, "Default domain name not found",
                                      "Sending request 0, username frank", "Sending 5148 bytes",
                                      "Error sending 5148 bytes to socket 4294967295"}));
  EXPECT_EQ(lines.size(), 9u);
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("Connecting", 0), std::string::npos) << line;
  EXPECT_TRUE(run->User().TakeBoxes().empty());
}

TEST_F(ResetDialogsTest, ALookupGrantedWithoutQuestionsIsRefused) {
  CScriptedPeer peer(
      [](CPeerConnection& connection) {
        PwdResetRecord request;
        ASSERT_TRUE(connection.Receive(request));
        connection.Reply(MakeReply(request, true, "Found"));
        connection.WaitForClose();
      },
      "127.0.0.1", DEFAULT_PORT);
  StartWinlogon();
  Run({
      {DialogKind::Reset, TypeAndClick(IDC_USERNAME, "dave")},
      {DialogKind::Reset, ClickItem(IDCANCEL)},
  });
  const auto boxes = run->User().TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "You do not have any security questions defined.");
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_TRUE(HasLinesInOrder(run->User().LogLines(), {"Read 5148 bytes", "0 questions returned"}));
  for (const DialogKind kind : run->User().Seen()) EXPECT_NE(kind, DialogKind::Questions);
}

// Unlock mode against a peer that grants the lookup and refuses the unlock:
// the refusal in an error box, and dialog 102 ends with 0. The name goes
// out with its trailing blanks, as typed.
TEST_F(ResetDialogsTest, UnlockRefusedEndsTheResetDialogWithZero) {
  PwdResetRecord lookup{}, unlock{};
  CScriptedPeer peer(
      [&](CPeerConnection& connection) {
        ASSERT_TRUE(connection.Receive(lookup));
        connection.Reply(MakeReply(lookup, true, "", {{"Pet?", "", "Rex"}}));
        ASSERT_TRUE(connection.Receive(unlock));
        connection.Reply(MakeReply(unlock, false, "The account is not locked"));
        connection.WaitForClose();
      },
      "127.0.0.1", DEFAULT_PORT);
  run = std::make_unique<CResetDialogRun>(kDomain);
  std::vector<std::string> captions;
  run->Run(
      {
          {DialogKind::Reset, TypeAndClick(IDC_USERNAME, "erin  ")},
          {DialogKind::Questions,
           [&](HWND dialog) {
             captions.push_back(WindowText(dialog));
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_HINT)));
             TypeAndClick(IDC_ANSWER, "REX")(dialog);
           }},
      },
      true);
  peer.Join();
  EXPECT_EQ(captions, std::vector<std::string>{"Unlock Question 1/1"});
  EXPECT_EQ(RecordText(lookup.userName), "erin  ");
  EXPECT_EQ(unlock.header.messageType, REQUEST_UNLOCK_ACCOUNT);
  EXPECT_EQ(RecordText(unlock.domain), kDomain);
  EXPECT_EQ(RecordText(unlock.userName), "erin  ");
  const auto boxes = run->User().TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The account is not locked");
  EXPECT_EQ(boxes[0].caption, "Unlock Account");
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  EXPECT_TRUE(HasLinesInOrder(run->User().LogLines(), {"Sending request 2, username erin  ", "Read 5148 bytes",
                                                        "The account is not locked"}));
  EXPECT_EQ(run->ResetDialogResult(), 0);
}

}  // namespace
