// The 19 pass-throughs: each reaches the chained library's entry point of
// the same name with every argument as given, and returns its answer.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <type_traits>
#include <vector>

#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/winlogon_driver.h"

namespace {

// Distinct made-up arguments: the fake records them and reads none.
template <class T>
T Arg(std::uintptr_t value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(value);
  } else {
    return static_cast<T>(value);
  }
}
using U = std::uintptr_t;

struct PassThroughCase {
  const char* name;
  // Calls Vantrope's export; the result as a number (0 for none).
  std::function<int(const CWinlogonDriver&)> call;
  std::vector<U> arguments;
  bool hasResult;
};

void PrintTo(const PassThroughCase& c, std::ostream* out) { *out << c.name; }

const PassThroughCase kCases[] = {
    {"WlxDisplaySASNotice",
     [](const CWinlogonDriver& w) {
       w.Entry<PFWLXDISPLAYSASNOTICE>("WlxDisplaySASNotice")(Arg<PVOID>(0xC1));
       return 0;
     },
     {0xC1}, false},
    {"WlxLoggedOutSAS",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXLOGGEDOUTSAS>("WlxLoggedOutSAS")(Arg<PVOID>(0xC1), 7, Arg<PLUID>(0xA2), Arg<PSID>(0xA3),
                                                            Arg<PDWORD>(0xA4), Arg<PHANDLE>(0xA5),
                                                            Arg<PWLX_MPR_NOTIFY_INFO>(0xA6), Arg<PVOID*>(0xA7));
     },
     {0xC1, 7, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7}, true},
    {"WlxActivateUserShell",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXACTIVATEUSERSHELL>("WlxActivateUserShell")(Arg<PVOID>(0xC1), Arg<PWSTR>(0xB2),
                                                                      Arg<PWSTR>(0xB3), Arg<PVOID>(0xB4));
     },
     {0xC1, 0xB2, 0xB3, 0xB4}, true},
    {"WlxLoggedOnSAS",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXLOGGEDONSAS>("WlxLoggedOnSAS")(Arg<PVOID>(0xC1), 3, Arg<PVOID>(0xB5));
     },
     {0xC1, 3, 0xB5}, true},
    {"WlxDisplayLockedNotice",
     [](const CWinlogonDriver& w) {
       w.Entry<PFWLXDISPLAYLOCKEDNOTICE>("WlxDisplayLockedNotice")(Arg<PVOID>(0xC2));
       return 0;
     },
     {0xC2}, false},
    {"WlxIsLockOk", [](const CWinlogonDriver& w) { return w.Entry<PFWLXISLOCKOK>("WlxIsLockOk")(Arg<PVOID>(0xC3)); },
     {0xC3}, true},
    {"WlxWkstaLockedSAS",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXWKSTALOCKEDSAS>("WlxWkstaLockedSAS")(Arg<PVOID>(0xC4), 2);
     },
     {0xC4, 2}, true},
    {"WlxIsLogoffOk",
     [](const CWinlogonDriver& w) { return w.Entry<PFWLXISLOGOFFOK>("WlxIsLogoffOk")(Arg<PVOID>(0xC5)); }, {0xC5},
     true},
    {"WlxLogoff",
     [](const CWinlogonDriver& w) {
       w.Entry<PFWLXLOGOFF>("WlxLogoff")(Arg<PVOID>(0xC6));
       return 0;
     },
     {0xC6}, false},
    {"WlxShutdown",
     [](const CWinlogonDriver& w) {
       w.Entry<PFWLXSHUTDOWN>("WlxShutdown")(Arg<PVOID>(0xC7), 0x0B);
       return 0;
     },
     {0xC7, 0x0B}, false},
    {"WlxScreenSaverNotify",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXSCREENSAVERNOTIFY>("WlxScreenSaverNotify")(Arg<PVOID>(0xC8), Arg<BOOL*>(0xB6));
     },
     {0xC8, 0xB6}, true},
    {"WlxStartApplication",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXSTARTAPPLICATION>("WlxStartApplication")(Arg<PVOID>(0xC9), Arg<PWSTR>(0xB7),
                                                                    Arg<PVOID>(0xB8), Arg<PWSTR>(0xB9));
     },
     {0xC9, 0xB7, 0xB8, 0xB9}, true},
    {"WlxNetworkProviderLoad",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXNETWORKPROVIDERLOAD>("WlxNetworkProviderLoad")(Arg<PVOID>(0xCA),
                                                                          Arg<PWLX_MPR_NOTIFY_INFO>(0xBA));
     },
     {0xCA, 0xBA}, true},
    {"WlxDisplayStatusMessage",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXDISPLAYSTATUSMESSAGE>("WlxDisplayStatusMessage")(
           Arg<PVOID>(0xCB), Arg<HDESK>(0xBB), 0x55, Arg<PWSTR>(0xBC), Arg<PWSTR>(0xBD));
     },
     {0xCB, 0xBB, 0x55, 0xBC, 0xBD}, true},
    {"WlxGetStatusMessage",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXGETSTATUSMESSAGE>("WlxGetStatusMessage")(Arg<PVOID>(0xCC), Arg<DWORD*>(0xBE),
                                                                    Arg<PWSTR>(0xBF), 0x99);
     },
     {0xCC, 0xBE, 0xBF, 0x99}, true},
    {"WlxRemoveStatusMessage",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXREMOVESTATUSMESSAGE>("WlxRemoveStatusMessage")(Arg<PVOID>(0xCD));
     },
     {0xCD}, true},
    {"WlxGetConsoleSwitchCredentials",
     [](const CWinlogonDriver& w) {
       return w.Entry<PFWLXGETCONSOLESWITCHCREDENTIALS>("WlxGetConsoleSwitchCredentials")(Arg<PVOID>(0xCE),
                                                                                          Arg<PVOID>(0xD0));
     },
     {0xCE, 0xD0}, true},
    {"WlxReconnectNotify",
     [](const CWinlogonDriver& w) {
       w.Entry<PFWLXRECONNECTNOTIFY>("WlxReconnectNotify")(Arg<PVOID>(0xCF));
       return 0;
     },
     {0xCF}, false},
    {"WlxDisconnectNotify",
     [](const CWinlogonDriver& w) {
       w.Entry<PFWLXDISCONNECTNOTIFY>("WlxDisconnectNotify")(Arg<PVOID>(0xD1));
       return 0;
     },
     {0xD1}, false},
};

class PassThroughTest : public ::testing::TestWithParam<PassThroughCase> {};

TEST_P(PassThroughTest, ReachesTheChainedEntryPointUnchanged) {
  const PassThroughCase& c = GetParam();
  CGinaTestSystem system(FakeGinaVariant::Full);
  // The SAS calls here only pass through; the dialogs have tests of their own.
  FakeGinaConfig().openDialogs = false;
  CWinlogonDriver winlogon;
  ASSERT_TRUE(winlogon.Negotiate(WLX_VERSION_1_4));
  ASSERT_EQ(winlogon.Initialize(), FakeGinaAnswer("WlxInitialize"));

  const int result = c.call(winlogon);
  const auto calls = FakeGinaCallsOf(c.name);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].arguments, c.arguments);
  if (c.hasResult) {
    EXPECT_EQ(result, FakeGinaAnswer(c.name));
  }
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, PassThroughTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PassThroughCase>& info) { return info.param.name; });

// WlxInitialize hands the chained library its five arguments, with
// Winlogon's own table whose WlxDialogBoxParam is now the hook, and the
// context the chained library sets comes back to Winlogon.
TEST(InitializeTest, ChainsWithTheHookedTable) {
  CGinaTestSystem system(FakeGinaVariant::Full);
  CWinlogonDriver winlogon;
  ASSERT_TRUE(winlogon.Negotiate(WLX_VERSION_1_4));
  ASSERT_EQ(winlogon.Initialize(), FakeGinaAnswer("WlxInitialize"));

  const auto calls = FakeGinaCallsOf("WlxInitialize");
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].arguments.size(), 5u);
  EXPECT_EQ(calls[0].arguments[1], reinterpret_cast<U>(winlogon.WinlogonHandle()));
  EXPECT_EQ(calls[0].arguments[2], 0u);
  EXPECT_EQ(calls[0].arguments[3], reinterpret_cast<U>(&winlogon.Functions()));
  EXPECT_EQ(winlogon.Context(), FakeGinaContext());
  EXPECT_NE(winlogon.Functions().WlxDialogBoxParam, winlogon.OwnDialogBoxParam());
  EXPECT_NE(winlogon.Functions().WlxDialogBoxParam, nullptr);
  // Nothing else in the table changed.
  EXPECT_NE(winlogon.Functions().WlxDialogBox, nullptr);
  EXPECT_EQ(winlogon.Functions().WlxUseCtrlAltDel, nullptr);
}

}  // namespace
