// The reset buttons in the chained library's logon and unlock dialogs:
// added with VNKResetPassword on, where the layout rules put them; the
// dialogs untouched with it off or when an item the layout reads is
// missing; realigned on WM_SIZE and WM_COMMAND, only in their own dialog;
// and opening the reset dialog through Winlogon's table.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/window_view.h"
#include "gina/tests/winlogon_driver.h"
#include "platform/windows/window.h"

namespace {

constexpr int kResetButton = 4000;
constexpr int kUnlockButton = 4001;

// Winlogon and the fake chained library, negotiated and initialised, with
// the switch as given (-1: absent).
class LogonButtonsTest : public ::testing::Test {
 protected:
  void Start(int resetPassword) {
    system_.SetSwitches(resetPassword, -1);
    ASSERT_TRUE(winlogon_.Negotiate(WLX_VERSION_1_4));
    ASSERT_EQ(winlogon_.Initialize(), FakeGinaAnswer("WlxInitialize"));
  }

  // Runs `sas` with `look` called once on the chained dialog `dialogId`
  // while it is open; the dialog is then closed as the user would.
  void WhileOpen(WORD dialogId, const std::function<int()>& sas, const std::function<void(HWND)>& look) {
    bool looked = false;
    CModalAgentScope agent([&](HWND dialog) {
      if (!looked && FakeDialogIdOf(dialog) == dialogId) {
        looked = true;
        look(dialog);
      }
      return false;
    });
    sas();
    EXPECT_TRUE(looked) << "dialog " << dialogId << " never opened";
  }

  CGinaTestSystem system_{FakeGinaVariant::Full};
  CWinlogonDriver winlogon_;
};

// The fake's logon dialog in pixels (fake_gina.cpp, dialog units times
// 6/4 across and 13/8 down), in its client coordinates: OK 90..165 x
// 81..103, Cancel from 171, item 1514 to 327. So the gap is 171-165-1 = 5,
// each button (327-90-5)/2 = 116 wide and 22 high, the row at 103+5.
constexpr RECT kResetInLogon{90, 108, 206, 130};
constexpr RECT kUnlockInLogon{211, 108, 327, 130};
constexpr LONG kLogonHeight = 117;  // 72 units
constexpr LONG kLogonGrowth = 22 + 5;

TEST_F(LogonButtonsTest, LogonDialogGainsBothButtonsUnderTheRowOfOk) {
  Start(1);
  WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); }, [&](HWND dialog) {
    const HWND reset = GetDlgItem(dialog, kResetButton);
    const HWND unlock = GetDlgItem(dialog, kUnlockButton);
    ASSERT_NE(reset, nullptr);
    ASSERT_NE(unlock, nullptr);
    EXPECT_EQ(ClientRectOf(reset), kResetInLogon);
    EXPECT_EQ(ClientRectOf(unlock), kUnlockInLogon);
    EXPECT_EQ(WindowTextOf(reset), "Reset Password");
    EXPECT_EQ(WindowTextOf(unlock), "Unlock Account");
    const auto description = DescribeWindow(reset);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->className, u"BUTTON");
    EXPECT_EQ(description->style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    EXPECT_EQ(HeightOf(dialog), kLogonHeight + kLogonGrowth);
    // The font of OK.
    const LRESULT okFont = SendMessageW(GetDlgItem(dialog, IDOK), WM_GETFONT, 0, 0);
    EXPECT_EQ(SendMessageW(reset, WM_GETFONT, 0, 0), okFont);
    EXPECT_EQ(SendMessageW(unlock, WM_GETFONT, 0, 0), okFont);
  });
}

TEST_F(LogonButtonsTest, WithTheSwitchOffOrAbsentTheDialogsStayAsTheChainedLibraryMadeThem) {
  for (const int resetPassword : {0, -1}) {
    SCOPED_TRACE(resetPassword);
    system_.SetSwitches(resetPassword, -1);
    if (winlogon_.DllVersion() != WLX_VERSION_1_4) {
      ASSERT_TRUE(winlogon_.Negotiate(WLX_VERSION_1_4));
      ASSERT_EQ(winlogon_.Initialize(), FakeGinaAnswer("WlxInitialize"));
    }
    WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); }, [&](HWND dialog) {
      EXPECT_EQ(ChildIds(dialog), (std::vector<int>{0xFFFF, 1502, 0xFFFF, 1503, IDOK, IDCANCEL, 1514}));
      EXPECT_EQ(HeightOf(dialog), kLogonHeight);
    });
    WhileOpen(1800, [&] { return winlogon_.WkstaLockedSAS(); }, [&](HWND dialog) {
      EXPECT_EQ(ChildIds(dialog), (std::vector<int>{1800, 1803, IDOK, IDCANCEL}));
    });
  }
}

// The fake's unlock dialog: P (1800) 10..310 x 11..37, Q (1803) 90..300 x
// 48..70, Cancel to 310. The dialog grows by 70-37 = 33; the button sits
// 48-37 = 11 under Q, from Q's left to Cancel's right, as high as Q.
constexpr RECT kResetInUnlock{90, 81, 310, 103};
constexpr LONG kUnlockHeight = 120;  // 74 units

TEST_F(LogonButtonsTest, UnlockDialogGainsTheResetButtonUnderItsPasswordField) {
  Start(1);
  WhileOpen(1800, [&] { return winlogon_.WkstaLockedSAS(); }, [&](HWND dialog) {
    const HWND reset = GetDlgItem(dialog, kResetButton);
    ASSERT_NE(reset, nullptr);
    EXPECT_EQ(GetDlgItem(dialog, kUnlockButton), nullptr);
    EXPECT_EQ(ClientRectOf(reset), kResetInUnlock);
    EXPECT_EQ(WindowTextOf(reset), "Reset Password");
    EXPECT_EQ(HeightOf(dialog), kUnlockHeight + 33);
    EXPECT_EQ(SendMessageW(reset, WM_GETFONT, 0, 0), SendMessageW(GetDlgItem(dialog, 1803), WM_GETFONT, 0, 0));
  });
}

// A chained dialog without an item the layout reads gets no button and
// keeps its size (rather than buttons placed from an empty rectangle).
struct MissingItemCase {
  WORD dialogId;
  int missingItem;
};

void PrintTo(const MissingItemCase& c, std::ostream* out) {
  *out << "dialog " << c.dialogId << " without item " << c.missingItem;
}

class MissingItemTest : public LogonButtonsTest, public ::testing::WithParamInterface<MissingItemCase> {};

TEST_P(MissingItemTest, NoButtonIsAdded) {
  const MissingItemCase c = GetParam();
  FakeGinaConfig().itemsRemovedAtInit = {c.missingItem};
  Start(1);
  const bool logon = c.dialogId == 1500;
  WhileOpen(
      c.dialogId, [&] { return logon ? winlogon_.LoggedOutSAS() : winlogon_.WkstaLockedSAS(); },
      [&](HWND dialog) {
        EXPECT_EQ(GetDlgItem(dialog, kResetButton), nullptr);
        EXPECT_EQ(GetDlgItem(dialog, kUnlockButton), nullptr);
        EXPECT_EQ(HeightOf(dialog), logon ? kLogonHeight : kUnlockHeight);
        // A command or a new size moves nothing either.
        SendMessageW(dialog, WM_SIZE, SIZE_RESTORED, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1502, 0x0300), 0);
      });
}

INSTANTIATE_TEST_SUITE_P(Items, MissingItemTest,
                         ::testing::Values(MissingItemCase{1500, IDOK}, MissingItemCase{1500, IDCANCEL},
                                           MissingItemCase{1500, 1514}, MissingItemCase{1800, 1800},
                                           MissingItemCase{1800, 1803}, MissingItemCase{1800, IDCANCEL}),
                         [](const ::testing::TestParamInfo<MissingItemCase>& info) {
                           return (info.param.dialogId == 1500 ? std::string("Logon") : std::string("Unlock")) +
                                  "Without" + std::to_string(info.param.missingItem);
                         });

// The options area opening moves item 1514: each WM_SIZE (and each
// command) lines the two buttons up again under OK's row, as wide as OK's
// left to 1514's right, without growing the dialog again.
TEST_F(LogonButtonsTest, ButtonsFollowTheOptionsButtonOnEachSizeAndCommand) {
  Start(1);
  WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); }, [&](HWND dialog) {
    const HWND options = GetDlgItem(dialog, 1514);
    RECT rect = ClientRectOf(options);
    // 40 pixels further right, and the row of OK 30 pixels lower.
    SetWindowPos(options, nullptr, rect.left + 40, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER);
    SendMessageW(dialog, WM_SIZE, SIZE_RESTORED, 0);
    // (327+40-90-5)/2 = 136 each.
    EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, kResetButton)), (RECT{90, 108, 226, 130}));
    EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, kUnlockButton)), (RECT{231, 108, 367, 130}));
    EXPECT_EQ(LastInvalidatedRect(dialog), (RECT{231, 108, 367, 130}));
    EXPECT_EQ(HeightOf(dialog), kLogonHeight + kLogonGrowth);

    const HWND ok = GetDlgItem(dialog, IDOK);
    for (const HWND item : {ok, GetDlgItem(dialog, IDCANCEL), options}) {
      const RECT r = ClientRectOf(item);
      SetWindowPos(item, nullptr, r.left, r.top + 30, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
    }
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1502, 0x0300), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1502)));
    EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, kResetButton)), (RECT{90, 138, 226, 160}));
    EXPECT_EQ(ClientRectOf(GetDlgItem(dialog, kUnlockButton)), (RECT{231, 138, 367, 160}));
  });
}

// The buttons of a closed dialog are forgotten: a later logon dialog that
// has none (the switch turned off meanwhile) moves nothing, and nothing
// touches the old handles.
TEST_F(LogonButtonsTest, ButtonsOfAClosedDialogAreForgotten) {
  Start(1);
  HWND oldReset = nullptr;
  WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); },
            [&](HWND dialog) { oldReset = GetDlgItem(dialog, kResetButton); });
  ASSERT_NE(oldReset, nullptr);
  EXPECT_FALSE(IsWindow(oldReset));

  system_.SetSwitches(0, -1);
  WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); }, [&](HWND dialog) {
    SendMessageW(dialog, WM_SIZE, SIZE_RESTORED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1502, 0x0300), 0);
    EXPECT_FALSE(LastInvalidatedRect(dialog).has_value());
    EXPECT_EQ(HeightOf(dialog), kLogonHeight);
  });
}

// The unlock dialog's button, made after the logon dialog's, is not moved
// by the logon dialog's layout: each dialog lays out only its own.
TEST_F(LogonButtonsTest, EachDialogLaysOutOnlyItsOwnButtons) {
  Start(1);
  // The logon dialog stays open while the unlock dialog comes and goes
  // over it: the shared "Reset Password" object then names the unlock
  // dialog's button.
  bool unlockSeen = false;
  WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); }, [&](HWND logon) {
    const HWND logonReset = GetDlgItem(logon, kResetButton);
    WhileOpen(1800, [&] { return winlogon_.WkstaLockedSAS(); }, [&](HWND unlock) {
      unlockSeen = true;
      SendMessageW(logon, WM_SIZE, SIZE_RESTORED, 0);
      EXPECT_EQ(ClientRectOf(GetDlgItem(unlock, kResetButton)), kResetInUnlock);
    });
    SendMessageW(logon, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(ClientRectOf(logonReset), kResetInLogon);
  });
  EXPECT_TRUE(unlockSeen);
}

// The buttons open dialog 102 through Winlogon's table with this library's
// module, owned by the dialog: from the logon dialog through
// WlxDialogBoxParam with the button's id, from the unlock dialog through
// WlxDialogBox.
TEST_F(LogonButtonsTest, ButtonsOpenTheResetDialogThroughWinlogon) {
  Start(1);
  HWND logonDialog = nullptr;
  WhileOpen(1500, [&] { return winlogon_.LoggedOutSAS(); }, [&](HWND dialog) {
    logonDialog = dialog;
    SendMessageW(GetDlgItem(dialog, kResetButton), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, kUnlockButton), BM_CLICK, 0, 0);
  });
  HWND unlockDialog = nullptr;
  WhileOpen(1800, [&] { return winlogon_.WkstaLockedSAS(); }, [&](HWND dialog) {
    unlockDialog = dialog;
    SendMessageW(GetDlgItem(dialog, kResetButton), BM_CLICK, 0, 0);
  });

  std::vector<WinlogonDialogCall> resets;
  for (const WinlogonDialogCall& call : winlogon_.DialogCalls()) {
    if (call.templateId == 102) resets.push_back(call);
  }
  ASSERT_EQ(resets.size(), 3u);
  const HANDLE vantrope = winlogon_.LibraryInstance();
  EXPECT_EQ(resets[0].instance, vantrope);
  EXPECT_EQ(resets[0].owner, logonDialog);
  EXPECT_EQ(resets[0].param, kResetButton);
  EXPECT_EQ(resets[1].owner, logonDialog);
  EXPECT_EQ(resets[1].param, kUnlockButton);
  EXPECT_EQ(resets[2].instance, vantrope);
  EXPECT_EQ(resets[2].owner, unlockDialog);
  EXPECT_EQ(resets[2].param, 0);
  // The chained procedures still saw their dialogs' commands.
  int commands = 0;
  for (const FakeDialogMessage& m : FakeDialogMessages()) {
    if (m.message == WM_COMMAND && LOWORD(m.wParam) == kResetButton) ++commands;
  }
  EXPECT_EQ(commands, 2);
}

}  // namespace
