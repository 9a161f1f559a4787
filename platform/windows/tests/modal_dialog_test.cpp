// Modal dialogs driven by the host's agent: the result EndDialog gives, the
// owner disabled while the dialog runs, dialogs opened from a dialog, the
// scripted user typing and clicking, and a dialog closed as Cancel when
// nobody is there to answer it.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/windows/dialog.h"
#include "platform/windows/resources.h"
#include "platform/windows/user_agent.h"

namespace {

constexpr WORD kNameId = 1001;
constexpr WORD kNextId = 1009;

const DialogItemTemplate kItems[] = {
    {u"EDIT", u"", kNameId, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 48, 6, 151, 14},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 135, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 60, 135, 50, 14},
    {u"BUTTON", u"Next", kNextId, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 149, 135, 50, 14},
};
const DialogTemplate kTemplate{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                               0,
                               0,
                               0,
                               206,
                               156,
                               u"Modal",
                               8,
                               u"MS Sans Serif",
                               kItems,
                               4};

constexpr WORD kTemplateId = 102;
const ResourceEntry kResources[] = {{RT_DIALOG, kTemplateId, &kTemplate, sizeof kTemplate}};
HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x7100000));

// What the procedures saw.
struct CLog {
  std::vector<std::string> lines;
  HWND owner = nullptr;
  bool ownerEnabledInside = true;
  int nestedResult = 0;
};
CLog* g_log = nullptr;

// OK is enabled only while the name is not empty; OK ends with 10 + the
// name's length, Next opens the same dialog again on top of this one and
// ends this one with what that one gave, Cancel ends with 0.
INT_PTR NameProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      g_log->lines.push_back("init " + std::to_string(lParam));
      g_log->ownerEnabledInside = g_log->owner == nullptr || IsWindowEnabled(g_log->owner);
      EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE) g_log->lines.push_back("change " + ItemText(dialog, kNameId));
      if (HIWORD(wParam) != BN_CLICKED) return TRUE;
      switch (LOWORD(wParam)) {
        case IDOK:
          g_log->lines.push_back("ok " + ItemText(dialog, kNameId));
          EndDialog(dialog, 10 + GetWindowTextLengthA(GetDlgItem(dialog, kNameId)));
          return TRUE;
        case kNextId: {
          const INT_PTR inner = DialogBoxParamW(kModule, MAKEINTRESOURCEW(kTemplateId), dialog, NameProcedure, 2);
          g_log->lines.push_back("inner " + std::to_string(inner));
          EndDialog(dialog, inner);
          return TRUE;
        }
        case IDCANCEL:
          g_log->lines.push_back("cancel");
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return TRUE;
      }
    case WM_CTLCOLOREDIT:
      EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthW(GetDlgItem(dialog, kNameId)) > 0);
      return FALSE;
    default:
      return FALSE;
  }
}

// Refuses to close at all.
INT_PTR StubbornProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : TRUE; }

class ModalDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = &log;
    RegisterModuleResources(kModule, kResources, 1);
    owner = CreateWindowExW(0, u"Host", u"host", WS_VISIBLE, 0, 0, 800, 600, nullptr, 0, nullptr, nullptr);
    log.owner = owner;
  }
  void TearDown() override {
    SetModalAgent(nullptr);
    DestroyWindow(owner);
    UnregisterModuleResources(kModule);
    g_log = nullptr;
  }

  CLog log;
  HWND owner = nullptr;
};

TEST_F(ModalDialogTest, TheAgentTypesAndClicksAndEndDialogGivesTheResult) {
  std::vector<std::string> seenByAgent;
  int step = 0;
  SetModalAgent([&](HWND dialog) {
    seenByAgent.push_back(WindowText(dialog));
    EXPECT_EQ(OpenModalDialogs(), std::vector<HWND>{dialog});
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(IsWindowEnabled(owner));
    switch (step++) {
      case 0:
        EXPECT_FALSE(Click(dialog, IDOK));  // disabled until a name is typed
        return TypeItemText(dialog, kNameId, "Zoë");
      case 1:
        return Click(dialog, IDOK);
      default:
        return false;
    }
  });
  EXPECT_EQ(DialogBoxParamA(kModule, MAKEINTRESOURCEA(kTemplateId), owner, NameProcedure, 7), 10 + 4);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"init 7", "change Zoë", "ok Zoë"}));
  EXPECT_FALSE(log.ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(WindowsOwnedBy(owner).empty());
  EXPECT_TRUE(OpenModalDialogs().empty());
  EXPECT_EQ(seenByAgent.size(), 2u);
}

TEST_F(ModalDialogTest, NestedDialogsRunInTurnAndTheInnerOwnerIsTheOuterDialog) {
  std::vector<HWND> dialogs;
  SetModalAgent([&](HWND dialog) {
    const auto open = OpenModalDialogs();
    if (open.size() == 1) {
      dialogs.push_back(dialog);
      return Click(dialog, kNextId);
    }
    EXPECT_EQ(open.size(), 2u);
    EXPECT_EQ(open.back(), dialog);
    EXPECT_EQ(DescribeWindow(dialog)->owner, open.front());
    EXPECT_FALSE(IsWindowEnabled(open.front()));
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(DescribeWindow(dialog)->dialogTemplateId, kTemplateId);
    TypeItemText(dialog, kNameId, "ab");
    return Click(dialog, IDOK);
  });
  EXPECT_EQ(DialogBoxParamW(kModule, MAKEINTRESOURCEW(kTemplateId), owner, NameProcedure, 1), 12);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"init 1", "init 2", "change ab", "ok ab", "inner 12"}));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_FALSE(IsWindow(dialogs[0]));
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(ModalDialogTest, WithNobodyThereTheDialogIsClosedAsCancel) {
  struct Case {
    const char* name;
    bool installAgent;
  };
  int calls = 0;
  for (const Case& c : {Case{"no agent", false}, Case{"agent with nothing to do", true}}) {
    log.lines.clear();
    calls = 0;
    if (c.installAgent) {
      SetModalAgent([&](HWND) {
        ++calls;
        return false;
      });
    } else {
      SetModalAgent(nullptr);
    }
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &kTemplate, owner, NameProcedure, 3), 0) << c.name;
    EXPECT_EQ(log.lines, (std::vector<std::string>{"init 3", "cancel"})) << c.name;
    EXPECT_EQ(calls, c.installAgent ? 1 : 0) << c.name;
    EXPECT_TRUE(IsWindowEnabled(owner)) << c.name;
  }
  // A dialog that will not close is ended as cancelled all the same.
  SetModalAgent(nullptr);
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &kTemplate, owner, StubbornProcedure, 0), IDCANCEL);
  EXPECT_TRUE(WindowsOwnedBy(owner).empty());
}

TEST_F(ModalDialogTest, AnOwnerDisabledBeforeStaysDisabledAndMissingTemplatesGiveMinusOne) {
  EnableWindow(owner, FALSE);
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &kTemplate, owner, NameProcedure, 0), 0);
  EXPECT_FALSE(IsWindowEnabled(owner));
  EnableWindow(owner, TRUE);

  EXPECT_EQ(DialogBoxParamW(kModule, MAKEINTRESOURCEW(999), owner, NameProcedure, 0), -1);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(kTemplateId), owner, NameProcedure, 0), -1);
  const HWND gone = CreateWindowExW(0, u"Host", u"", 0, 0, 0, 1, 1, nullptr, 0, nullptr, nullptr);
  DestroyWindow(gone);
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &kTemplate, gone, NameProcedure, 0), -1);
  EXPECT_TRUE(log.lines.empty() || log.lines.back() == "cancel");
}

// The owner's thread is busy elsewhere (as a host waiting for the logon
// call to return): disabling and idling notices must not wait for it.
TEST_F(ModalDialogTest, AnOwnerOnABusyThreadDoesNotHoldTheDialogUp) {
  std::promise<HWND> made;
  std::promise<void> mayEnd;
  std::thread busy([&] {
    made.set_value(CreateWindowExW(0, u"Host", u"", WS_VISIBLE, 0, 0, 9, 9, nullptr, 0, nullptr, nullptr));
    mayEnd.get_future().wait();
  });
  const HWND farOwner = made.get_future().get();
  log.owner = farOwner;
  SetModalAgent([&](HWND dialog) {
    if (!log.lines.empty() && log.lines.back() == "change x") return false;
    EXPECT_FALSE(IsWindowEnabled(farOwner));
    return TypeItemText(dialog, kNameId, "x");
  });
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &kTemplate, farOwner, NameProcedure, 4), 0);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"init 4", "change x", "cancel"}));
  EXPECT_TRUE(IsWindowEnabled(farOwner));
  mayEnd.set_value();
  busy.join();
}

}  // namespace
