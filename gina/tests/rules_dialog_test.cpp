// The "Password Rules" dialog: its text from "Vantrope.Txt" (first line the
// title), the file's absence said in its place, its font and position.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/window_view.h"
#include "gina/tests/winlogon_driver.h"
#include "platform/windows/font.h"

namespace {

constexpr WORD kRulesDialog = 101;
constexpr int kRulesText = 1000;

struct RulesView {
  std::string title;
  std::string text;
  RECT rect{};
  LOGFONTA font{};
  bool seen = false;
};

class RulesDialogTest : public ::testing::Test {
 protected:
  // Opens the change-password path and reads the rules dialog.
  RulesView Show() {
    EXPECT_TRUE(winlogon_.Negotiate(WLX_VERSION_1_4));
    EXPECT_EQ(winlogon_.Initialize(), FakeGinaAnswer("WlxInitialize"));
    RulesView view;
    CModalAgentScope agent([&](HWND dialog) {
      if (DialogTemplateIdOf(dialog) != kRulesDialog) return false;
      view.seen = true;
      view.title = WindowTextOf(dialog);
      view.text = WindowTextOf(GetDlgItem(dialog, kRulesText));
      GetWindowRect(dialog, &view.rect);
      const auto font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dialog, kRulesText), WM_GETFONT, 0, 0));
      GetObjectA(font, sizeof view.font, &view.font);
      return false;
    });
    winlogon_.LoggedOnSAS();
    EXPECT_TRUE(view.seen);
    return view;
  }

  CGinaTestSystem system_{FakeGinaVariant::Full};
  CWinlogonDriver winlogon_;
};

struct RulesFileCase {
  const char* name;
  const char* content;
  const char* title;
  const char* text;
};

void PrintTo(const RulesFileCase& c, std::ostream* out) { *out << c.name; }

class RulesFileTest : public RulesDialogTest, public ::testing::WithParamInterface<RulesFileCase> {};

TEST_P(RulesFileTest, ShowsTheFileAsTitleAndText) {
  system_.WriteSystemFile("Vantrope.Txt", GetParam().content);
  const RulesView view = Show();
  EXPECT_EQ(view.title, GetParam().title);
  EXPECT_EQ(view.text, GetParam().text);
}

const RulesFileCase kFiles[] = {
    {"TitleAndLines", "Site rules\nAt least 8 characters.\nNo names.\n", "Site rules",
     "At least 8 characters.\r\nNo names."},
    {"CrLfLines", "Site rules\r\nOne\r\n\r\nTwo\r\n", "Site rules", "One\r\n\r\nTwo"},
    {"BlankLinesBeforeTheTextVanish", "Site rules\n\n\nOne\n\nTwo", "Site rules", "One\r\n\r\nTwo"},
    {"EmptyFirstLineKeepsTheTitle", "\nOne\nTwo\n", "Password Rules", "One\r\nTwo"},
    {"TitleOnly", "Site rules\n", "Site rules", ""},
    {"EmptyFile", "", "Password Rules", ""},
};

INSTANTIATE_TEST_SUITE_P(Files, RulesFileTest, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<RulesFileCase>& info) { return info.param.name; });

TEST_F(RulesDialogTest, AMissingFileIsSaidInPlaceOfTheRules) {
  const RulesView view = Show();
  EXPECT_EQ(view.title, "Password Rules");
  EXPECT_EQ(view.text, system_.SystemDirectory() + "/Vantrope.Txt - not opened - error 2");
}

TEST_F(RulesDialogTest, TextInCourierCentredATopThirdOfTheScreen) {
  system_.WriteSystemFile("Vantrope.Txt", "Rules\nOne\n");
  const RulesView view = Show();
  EXPECT_STREQ(view.font.lfFaceName, "Courier");
  EXPECT_EQ(view.font.lfHeight, -17);
  EXPECT_EQ(view.font.lfWeight, 400);
  // 364 x 282 dialog units: 546 x 458 pixels on a 1024 x 768 screen.
  const LONG width = view.rect.right - view.rect.left, height = view.rect.bottom - view.rect.top;
  EXPECT_EQ(width, 546);
  EXPECT_EQ(height, 458);
  EXPECT_EQ(view.rect.left, (1024 - width) / 2);
  EXPECT_EQ(view.rect.top, (768 - height) / 3);
}

}  // namespace
