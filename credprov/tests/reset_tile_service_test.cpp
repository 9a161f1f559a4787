// The tiles through the logon-screen host against the real Pellucor on port
// 7257: the user name step and its errors, the question step with its hint
// and skip links, a wrong answer, the new-password step with a mismatched
// confirmation and a rule rejection, the rules window beside that step and
// only there, and the credential prompt's cancelled end.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "tests/support/service_fixture.h"
#include "credprov/pwd_reset_session_factory.h"
#include "credprov/tests/logon_screen_host.h"
#include "platform/base/text.h"
#include "platform/windows/message_queue.h"

namespace {

const char kCaption[] = "Varnok Password Reset";
const char kRules[] = "Twelve characters or more.\nNo names.";

class ResetTileServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string motd = files.Folder() + "/motd.txt";
    std::ofstream(motd, std::ios::binary) << kRules;
    files.WriteRegistry(true, "\"MOTDFile\"=\"" + motd + "\"\r\n\"MOTDCaption\"=\"House rules\"\r\n");
    files.WriteQuestionFile(
        "corp.example.org\\alice\tPet?\tRex\tfurry\n"
        "corp.example.org\\bob\tColour?\tgreen\n");
    service = MakeServiceRunner("Pellucor", RESET_SERVICE_PORT);
    ASSERT_NE(service, nullptr) << "the Pellucor program is not built";
    ASSERT_TRUE(service->Start(files)) << files.LogText();
  }
  void TearDown() override {
    if (service != nullptr) service->Stop();
  }

  // Through the user name to the question.
  void ToQuestion(CLogonScreenHost& host, const std::u16string& name) {
    host.Type(F_USERNAME, name);
    const SubmitResult submitted = host.Submit();
    EXPECT_EQ(submitted.response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
    EXPECT_FALSE(submitted.statusText) << Utf16ToUtf8(submitted.statusText.value_or(u""));
  }

  CServiceFiles files;
  std::unique_ptr<IServiceRunner> service;
};

TEST_F(ResetTileServiceTest, UserNameStepErrors) {
  struct Case {
    CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario;
    std::u16string name;
    std::string box;
    UINT boxType;
    std::string statusHas;
    const char16_t* instruction;
  };
  const Case cases[] = {
      {CPUS_LOGON, u"", "Please enter your username to continue.", MB_ICONINFORMATION, "", u"Enter your username to begin."},
      {CPUS_LOGON, u"corp.example.org\\nobody", "", 0, "nobody", u"Enter your username to begin."},
      {CPUS_CREDUI, u"corp.example.org/nobody", "nobody", MB_ICONERROR, "nobody", u"Operation cancelled."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    CLogonScreenHost host;
    ASSERT_TRUE(host.Start(c.scenario));
    host.SelectTile(0);
    host.Type(F_USERNAME, c.name);
    const SubmitResult submitted = host.Submit();
    EXPECT_EQ(submitted.response, CPGSR_NO_CREDENTIAL_FINISHED);
    if (c.statusHas.empty()) {
      EXPECT_FALSE(submitted.statusText);
    } else {
      ASSERT_TRUE(submitted.statusText);
      EXPECT_NE(Utf16ToUtf8(*submitted.statusText).find(c.statusHas), std::string::npos)
          << Utf16ToUtf8(*submitted.statusText);
      EXPECT_EQ(submitted.statusIcon, CPSI_ERROR);
    }
    const auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
    if (!c.box.empty()) {
      EXPECT_NE(boxes[0].text.find(c.box), std::string::npos) << boxes[0].text;
      EXPECT_EQ(boxes[0].caption, kCaption);
      EXPECT_EQ(boxes[0].type, c.boxType);
      EXPECT_EQ(boxes[0].owner, host.Owner());
    }
    EXPECT_EQ(host.FieldString(F_INSTRUCTION), c.instruction);
  }
}

TEST_F(ResetTileServiceTest, QuestionStepWithItsHintAndSkipLinks) {
  struct Case {
    DWORD tile;
    std::u16string name;
    const char16_t* instruction;
    const char16_t* question;
    std::vector<DWORD> shown;
    std::string hint;
    UINT hintType;
  };
  const Case cases[] = {
      {0, u"corp.example.org\\alice", u"Reset question 1/1:", u"Pet?", {F_QUESTION, F_ANSWER, F_HINT, F_SUBMIT},
       "furry", MB_ICONINFORMATION},
      {1, u"corp.example.org/bob", u"Unlock question 1/1:", u"Colour?", {F_QUESTION, F_ANSWER, F_SUBMIT},
       "No hint is available for this question.", MB_ICONEXCLAMATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    CLogonScreenHost host;
    ASSERT_TRUE(host.Start(CPUS_LOGON));
    host.SelectTile(c.tile);
    ToQuestion(host, c.name);
    EXPECT_EQ(host.FieldString(F_INSTRUCTION), c.instruction);
    EXPECT_EQ(host.FieldString(F_QUESTION), c.question);
    EXPECT_EQ(host.Events().strings[F_QUESTION], c.question);
    EXPECT_EQ(host.ShownFields(), c.shown);
    EXPECT_EQ(host.FieldInteractive(F_ANSWER), CPFIS_FOCUSED);
    EXPECT_EQ(host.Events().submitBeside, F_ANSWER);
    EXPECT_FALSE(host.RulesWindow());

    EXPECT_EQ(host.Click(F_HINT), S_OK);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.hint);
    EXPECT_EQ(boxes[0].caption, "Hint for question 1/1");
    EXPECT_EQ(boxes[0].type, c.hintType);
    EXPECT_EQ(boxes[0].owner, host.Owner());

    // The fixed-record service allows no skips: the link is hidden, and
    // clicked anyway it says why and the question stays.
    EXPECT_EQ(host.Click(F_SKIP), S_OK);
    boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Skipping questions is not supported by this version of the Varnok Password Reset server.");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(host.FieldString(F_QUESTION), c.question);
  }
}

TEST_F(ResetTileServiceTest, WrongAnswerEndsTheDialogueAndIsWiped) {
  for (CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario : {CPUS_LOGON, CPUS_CREDUI}) {
    CLogonScreenHost host;
    ASSERT_TRUE(host.Start(scenario));
    host.SelectTile(0);
    ToQuestion(host, u"corp.example.org\\alice");
    host.Type(F_ANSWER, u"Felix");
    const SubmitResult submitted = host.Submit();
    EXPECT_EQ(submitted.response, CPGSR_NO_CREDENTIAL_FINISHED);
    const auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Incorrect answer.");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(host.FieldString(F_ANSWER), u"");
    EXPECT_EQ(host.Events().strings[F_ANSWER], u"");
    EXPECT_EQ(host.FieldString(F_INSTRUCTION),
              scenario == CPUS_CREDUI ? u"Operation cancelled." : u"Enter your username to begin.");
  }
}

TEST_F(ResetTileServiceTest, NewPasswordStepWithTheRulesWindowBesideIt) {
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_LOGON));
  host.SelectTile(0);
  ToQuestion(host, u"corp.example.org\\alice");
  host.Type(F_ANSWER, u"rex");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  EXPECT_TRUE(host.TakeBoxes().empty());
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Enter your new password.");
  EXPECT_EQ(host.ShownFields(), (std::vector<DWORD>{F_NEW_PASSWORD, F_CONFIRM, F_SUBMIT}));
  EXPECT_EQ(host.FieldInteractive(F_NEW_PASSWORD), CPFIS_FOCUSED);
  EXPECT_EQ(host.Events().submitBeside, F_CONFIRM);

  // The rules window: owned by the logon screen, topmost at (16, 16).
  const auto rules = host.RulesWindow();
  ASSERT_TRUE(rules);
  EXPECT_EQ(rules->text, u"House rules - Varnok Password Reset");
  EXPECT_TRUE(rules->visible);
  EXPECT_NE(rules->exStyle & WS_EX_TOPMOST, 0u);
  EXPECT_EQ(rules->rect, (RECT{16, 16, 16 + 378, 16 + 258}));
  const HWND text = GetDlgItem(rules->handle, 1000);
  EXPECT_EQ(DescribeWindow(text)->text, Utf8ToUtf16(kRules));
  DWORD from = 9, to = 9;
  SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 0u);
  // Resized, the text keeps its margins; not below two thirds of the size.
  ASSERT_TRUE(SetWindowPos(rules->handle, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER));
  EXPECT_EQ(DescribeWindow(text)->rect, (RECT{10, 11, 590, 389}));
  ASSERT_TRUE(SetWindowPos(rules->handle, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER));
  EXPECT_EQ(DescribeWindow(rules->handle)->rect, (RECT{16, 16, 16 + 252, 16 + 172}));

  // Confirmation differing in letter case only: refused, both wiped.
  host.Type(F_NEW_PASSWORD, u"Long-Enough-1");
  host.Type(F_CONFIRM, u"long-enough-1");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  auto boxes = host.TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Passwords do not match.");
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  EXPECT_EQ(host.FieldString(F_NEW_PASSWORD), u"");
  EXPECT_EQ(host.FieldString(F_CONFIRM), u"");
  EXPECT_EQ(host.Events().strings[F_NEW_PASSWORD], u"");
  EXPECT_EQ(host.RulesWindow()->handle, rules->handle);

  // A password the rules refuse: the service says why, and the step stays.
  host.Type(F_NEW_PASSWORD, u"short");
  host.Type(F_CONFIRM, u"short");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  boxes = host.TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("length"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Enter your new password.");
  EXPECT_EQ(host.FieldString(F_NEW_PASSWORD), u"");

  // Closed by the user, it is not started again within the step ...
  SendMessageW(rules->handle, WM_CLOSE, 0, 0);
  host.Type(F_NEW_PASSWORD, u"a");
  host.Type(F_CONFIRM, u"b");
  host.Submit();
  host.TakeBoxes();
  EXPECT_FALSE(host.RulesWindow());
  // ... and leaving the step ends it; the next visit opens it again.
  host.Tile()->SetDeselected();
  ToQuestion(host, u"corp.example.org\\alice");
  host.Type(F_ANSWER, u"Rex");
  host.Submit();
  const auto again = host.RulesWindow();
  ASSERT_TRUE(again);
  EXPECT_NE(again->handle, rules->handle);
  host.Tile()->SetDeselected();
  EXPECT_FALSE(host.RulesWindow());
  EXPECT_FALSE(IsWindow(again->handle));
}

}  // namespace
