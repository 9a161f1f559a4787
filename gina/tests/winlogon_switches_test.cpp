// The two Winlogon switches: four bytes of the value whatever its type,
// their defaults when the key, the value or the file is missing, and a
// fresh read at every use.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "gina/tests/gina_test_system.h"
#include "gina/winlogon_switches.h"

namespace {

struct SwitchCase {
  const char* name;
  const char* value;  // the value line, or null for none
  int resetPassword;
  int enforcePassword;
};

void PrintTo(const SwitchCase& c, std::ostream* out) { *out << c.name; }

const SwitchCase kCases[] = {
    {"Absent", nullptr, 0, 1},
    {"DwordOne", "dword:00000001", 1, 1},
    {"DwordZero", "dword:00000000", 0, 0},
    {"AnyNonZeroIsOn", "dword:0000002a", 1, 1},
    {"BinaryOfFourBytes", "hex:00,00,00,01", 1, 1},
    {"BinaryZeros", "hex:00,00,00,00", 0, 0},
    // "0" and its zero: two bytes, the low ones of a non-zero number.
    {"TextIsReadAsBytes", "\"0\"", 1, 1},
    // Too long for a DWORD: unreadable, so the default.
    {"EightBytesAreUnreadable", "hex:01,00,00,00,00,00,00,00", 0, 1},
};

class WinlogonSwitchesTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(WinlogonSwitchesTest, ReadAsFourBytes) {
  const SwitchCase& c = GetParam();
  CGinaTestSystem system;
  const std::string reset = c.value ? std::string("\"VNKResetPassword\"=") + c.value + "\r\n" : "";
  const std::string enforce = c.value ? std::string("\"VNKEnforcePassword\"=") + c.value + "\r\n" : "";
  system.WriteRegistry(reset + enforce);
  EXPECT_EQ(IsResetPasswordEnabled(), c.resetPassword);
  EXPECT_EQ(IsEnforcePasswordEnabled(), c.enforcePassword);
}

INSTANTIATE_TEST_SUITE_P(Values, WinlogonSwitchesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

TEST(WinlogonSwitchesReadTest, NoRegistryFileMeansTheDefaultsAndEachUseReadsAfresh) {
  CGinaTestSystem system;
  EXPECT_EQ(IsResetPasswordEnabled(), 0);
  EXPECT_EQ(IsEnforcePasswordEnabled(), 1);
  system.SetSwitches(1, 0);
  EXPECT_EQ(IsResetPasswordEnabled(), 1);
  EXPECT_EQ(IsEnforcePasswordEnabled(), 0);
  system.SetSwitches(0, 1);
  EXPECT_EQ(IsResetPasswordEnabled(), 0);
  EXPECT_EQ(IsEnforcePasswordEnabled(), 1);
}

}  // namespace
