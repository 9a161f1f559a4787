// WlxNegotiate against the fake chained library: the version asked of it,
// the version agreed, and the exports each version needs.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/winlogon_driver.h"

namespace {

constexpr DWORD kUntouched = 0xDEADBEEF;

struct NegotiateCase {
  const char* name;
  std::optional<FakeGinaVariant> variant;  // none: no msgina.so at all
  DWORD offered;                           // by Winlogon
  DWORD chainedAnswer;                     // the fake lowers to this
  BOOL chainedResult;
  std::optional<DWORD> askedOfChained;  // none: the chained WlxNegotiate is never called
  BOOL expected;
  DWORD expectedVersion;  // kUntouched on FALSE
};

void PrintTo(const NegotiateCase& c, std::ostream* out) { *out << c.name; }

const NegotiateCase kCases[] = {
    {"Current", FakeGinaVariant::Full, WLX_VERSION_1_4, WLX_VERSION_1_4, TRUE, WLX_VERSION_1_4, TRUE,
     WLX_VERSION_1_4},
    {"NewerWinlogonAsksAtMostOneFour", FakeGinaVariant::Full, 0x10005, WLX_VERSION_1_4, TRUE, WLX_VERSION_1_4,
     TRUE, WLX_VERSION_1_4},
    {"FarNewerWinlogon", FakeGinaVariant::Full, 0x20000, WLX_VERSION_1_4, TRUE, WLX_VERSION_1_4, TRUE,
     WLX_VERSION_1_4},
    {"OlderWinlogon", FakeGinaVariant::Full, WLX_VERSION_1_0, WLX_VERSION_1_4, TRUE, WLX_VERSION_1_0, TRUE,
     WLX_VERSION_1_0},
    {"ChainedLowersTheVersion", FakeGinaVariant::Full, WLX_VERSION_1_4, WLX_VERSION_1_3, TRUE, WLX_VERSION_1_4,
     TRUE, WLX_VERSION_1_3},
    {"OneThreeNeedsNoOneFourExports", FakeGinaVariant::NoVersion14, WLX_VERSION_1_4, WLX_VERSION_1_3, TRUE,
     WLX_VERSION_1_4, TRUE, WLX_VERSION_1_3},
    {"OneFourNeedsItsExports", FakeGinaVariant::NoVersion14, WLX_VERSION_1_4, WLX_VERSION_1_4, TRUE,
     WLX_VERSION_1_4, FALSE, kUntouched},
    {"OneTwoNeedsNoStatusMessages", FakeGinaVariant::NoStatusMessages, WLX_VERSION_1_4, WLX_VERSION_1_2, TRUE,
     WLX_VERSION_1_4, TRUE, WLX_VERSION_1_2},
    {"OneThreeNeedsStatusMessages", FakeGinaVariant::NoStatusMessages, WLX_VERSION_1_4, WLX_VERSION_1_3, TRUE,
     WLX_VERSION_1_4, FALSE, kUntouched},
    {"OneZeroNeedsNoStartApplication", FakeGinaVariant::NoStartApplication, WLX_VERSION_1_4, WLX_VERSION_1_0, TRUE,
     WLX_VERSION_1_4, TRUE, WLX_VERSION_1_0},
    {"OneOneNeedsStartApplication", FakeGinaVariant::NoStartApplication, WLX_VERSION_1_4, WLX_VERSION_1_1, TRUE,
     WLX_VERSION_1_4, FALSE, kUntouched},
    {"EveryVersionNeedsShutdown", FakeGinaVariant::NoShutdown, WLX_VERSION_1_4, WLX_VERSION_1_0, TRUE,
     WLX_VERSION_1_4, FALSE, kUntouched},
    {"ChainedRefuses", FakeGinaVariant::Full, WLX_VERSION_1_4, WLX_VERSION_1_4, FALSE, WLX_VERSION_1_4, FALSE,
     kUntouched},
    {"ChainedWithoutNegotiate", FakeGinaVariant::NoNegotiate, WLX_VERSION_1_4, WLX_VERSION_1_4, TRUE, std::nullopt,
     FALSE, kUntouched},
    {"NoChainedLibrary", std::nullopt, WLX_VERSION_1_4, WLX_VERSION_1_4, TRUE, std::nullopt, FALSE, kUntouched},
};

class NegotiateTest : public ::testing::TestWithParam<NegotiateCase> {};

TEST_P(NegotiateTest, AgreesTheLowerVersionWhoseExportsAreAllThere) {
  const NegotiateCase& c = GetParam();
  const auto system = c.variant ? std::make_unique<CGinaTestSystem>(*c.variant) : std::make_unique<CGinaTestSystem>();
  FakeGinaConfig().answeredVersion = c.chainedAnswer;
  FakeGinaConfig().negotiateResult = c.chainedResult;
  CWinlogonDriver winlogon;

  EXPECT_EQ(winlogon.Negotiate(c.offered, kUntouched), c.expected);
  EXPECT_EQ(winlogon.DllVersion(), c.expectedVersion);
  const auto asked = FakeGinaCallsOf("WlxNegotiate");
  if (c.askedOfChained) {
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].arguments[0], *c.askedOfChained);
  } else {
    EXPECT_TRUE(asked.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, NegotiateTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NegotiateCase>& info) { return info.param.name; });

// An entry point the agreed version does not have is never bound: its
// pass-through calls nothing and answers FALSE, even though the chained
// library has it.
TEST(NegotiateUnboundTest, EntryPointsBeyondTheAgreedVersionAnswerFalseAndCallNothing) {
  CGinaTestSystem system(FakeGinaVariant::Full);
  FakeGinaConfig().answeredVersion = WLX_VERSION_1_0;
  CWinlogonDriver winlogon;
  ASSERT_TRUE(winlogon.Negotiate(WLX_VERSION_1_4));
  ASSERT_EQ(winlogon.DllVersion(), WLX_VERSION_1_0);

  PVOID context = FakeGinaContext();
  BOOL secure = FALSE;
  EXPECT_EQ(winlogon.Entry<PFWLXSCREENSAVERNOTIFY>("WlxScreenSaverNotify")(context, &secure), FALSE);
  EXPECT_EQ(winlogon.Entry<PFWLXREMOVESTATUSMESSAGE>("WlxRemoveStatusMessage")(context), FALSE);
  EXPECT_EQ(winlogon.Entry<PFWLXGETCONSOLESWITCHCREDENTIALS>("WlxGetConsoleSwitchCredentials")(context, nullptr),
            FALSE);
  winlogon.Entry<PFWLXDISCONNECTNOTIFY>("WlxDisconnectNotify")(context);
  EXPECT_TRUE(FakeGinaCallsOf("WlxScreenSaverNotify").empty());
  EXPECT_TRUE(FakeGinaCallsOf("WlxRemoveStatusMessage").empty());
  EXPECT_TRUE(FakeGinaCallsOf("WlxGetConsoleSwitchCredentials").empty());
  EXPECT_TRUE(FakeGinaCallsOf("WlxDisconnectNotify").empty());
  // ... while those of 1.0 reach it.
  EXPECT_EQ(winlogon.Entry<PFWLXISLOCKOK>("WlxIsLockOk")(context), FakeGinaAnswer("WlxIsLockOk"));
}

// Binding stops at the first export missing: the calls after it find no
// pointer and call nothing.
TEST(NegotiateUnboundTest, BindingStopsAtTheFirstMissingExport) {
  CGinaTestSystem system(FakeGinaVariant::NoShutdown);
  CWinlogonDriver winlogon;
  ASSERT_FALSE(winlogon.Negotiate(WLX_VERSION_1_4));
  winlogon.Entry<PFWLXSHUTDOWN>("WlxShutdown")(FakeGinaContext(), 0);
  EXPECT_EQ(winlogon.Entry<PFWLXISLOCKOK>("WlxIsLockOk")(FakeGinaContext()), FakeGinaAnswer("WlxIsLockOk"));
  EXPECT_EQ(winlogon.Entry<PFWLXSTARTAPPLICATION>("WlxStartApplication")(FakeGinaContext(), nullptr, nullptr,
                                                                       nullptr),
            FALSE);
  EXPECT_TRUE(FakeGinaCallsOf("WlxStartApplication").empty());
}

// Nothing stays bound from an earlier negotiation (or test) when loading
// the chained library fails.
TEST(NegotiateUnboundTest, InitializeAfterAFailedLoadAnswersFalse) {
  CGinaTestSystem system;
  CWinlogonDriver winlogon;
  ASSERT_FALSE(winlogon.Negotiate(WLX_VERSION_1_4));
  EXPECT_FALSE(winlogon.Initialize());
}

}  // namespace
