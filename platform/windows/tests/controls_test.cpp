// The controls as the dialogs use them through the A calls: list and combo
// boxes, buttons, UTF-8 text in and out (cut only between characters),
// fonts and icons remembered per window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/windows/dialog.h"
#include "platform/windows/font.h"
#include "platform/windows/icon.h"
#include "platform/windows/resources.h"
#include "platform/windows/user_agent.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = CreateWindowExA(0, "#32770", "Controls", WS_POPUP, 0, 0, 300, 200, nullptr, 0, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override { DestroyWindow(dialog); }
  HWND Make(LPCSTR className, DWORD style, int id) {
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, dialog, id, nullptr,
                           nullptr);
  }

  HWND dialog = nullptr;
};

TEST_F(ControlsTest, ListBoxLinesInUtf8) {
  const HWND list = Make("LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL, 1003);
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Connecting to 10.0.0.1 port 7257")), 0);
  EXPECT_EQ(SendDlgItemMessageA(dialog, 1003, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("")), 1);
  EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Größe €")), 2);
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(ListBoxLines(list), (std::vector<std::string>{"Connecting to 10.0.0.1 port 7257", "", "Größe €"}));
  // Lengths and copies in bytes; the wide calls see the characters.
  EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 2, 0), 11);
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 2, 0), 7);
  char line[12];
  std::memset(line, 'x', sizeof line);
  EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(line)), 11);
  EXPECT_STREQ(line, "Größe €");
  EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(line)), LB_ERR);
  EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 3, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(list, LB_RESETCONTENT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(ListBoxLines(list).empty());
}

TEST_F(ControlsTest, DropDownListTextIsItsSelection) {
  const HWND combo = Make("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 1002);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("EXAMPLE")), 0);
  EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Société")), 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(ItemText(dialog, 1002), "");
  // A drop-down list takes no text but its lines'.
  EXPECT_EQ(SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("other")), CB_ERR);
  EXPECT_EQ(ItemText(dialog, 1002), "");
  struct Case {
    WPARAM index;
    LRESULT answer;
    std::string text;
  };
  for (const Case& c : {Case{1, 1, "Société"}, Case{0, 0, "EXAMPLE"}, Case{5, CB_ERR, ""},
                        Case{static_cast<WPARAM>(-1), CB_ERR, ""}}) {
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, c.index, 0), c.answer) << c.index;
    char text[64] = "?";
    EXPECT_EQ(GetDlgItemTextA(dialog, 1002, text, sizeof text), c.text.size()) << c.index;
    EXPECT_EQ(std::string(text), c.text) << c.index;
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), c.answer) << c.index;
  }
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, 1, 0), 9);
  char line[10];
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(line)), 9);
  EXPECT_STREQ(line, "Société");
  EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("société")), 1);
  EXPECT_TRUE(ChooseComboLine(combo, 1));
  EXPECT_EQ(ItemText(dialog, 1002), "Société");
  EXPECT_FALSE(ChooseComboLine(combo, 2));
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(ItemText(dialog, 1002), "");
}

// What the dialog heard from its controls.
std::vector<WPARAM>* g_commands = nullptr;
LRESULT RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && g_commands != nullptr) g_commands->push_back(wParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ControlsTest, ButtonsReportClicksOnlyWhenEnabledAndEditsReportChanges) {
  std::vector<WPARAM> commands;
  g_commands = &commands;
  SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProcedure));
  const HWND button = Make("BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 4000);
  const HWND edit = Make("EDIT", ES_PASSWORD | ES_AUTOHSCROLL, 1005);
  EXPECT_EQ(GetWindowLongA(button, GWL_STYLE), static_cast<LONG>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON));
  EXPECT_EQ(GetWindowLongPtrA(edit, GWL_ID), 1005);
  SendMessageA(button, BM_CLICK, 0, 0);
  EnableWindow(button, FALSE);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_FALSE(Click(dialog, 4000));
  EXPECT_TRUE(TypeText(edit, "pässword"));
  g_commands = nullptr;
  EXPECT_EQ(commands, (std::vector<WPARAM>{MAKEWPARAM(4000, BN_CLICKED), MAKEWPARAM(1005, EN_SETFOCUS),
                                           MAKEWPARAM(1005, EN_CHANGE)}));
}

TEST_F(ControlsTest, TextConvertsBetweenUtf8AndUtf16AndIsCutBetweenCharacters) {
  const HWND edit = Make("EDIT", ES_AUTOHSCROLL, 1001);
  ASSERT_TRUE(SetDlgItemTextA(dialog, 1001, "aé€😀"));  // 1 + 2 + 3 + 4 bytes
  EXPECT_EQ(DescribeWindow(edit)->text, u"aé€😀");
  EXPECT_EQ(GetWindowTextLengthW(edit), 5);
  EXPECT_EQ(GetWindowTextLengthA(edit), 10);
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 10);
  struct Case {
    int size;
    std::string text;
  };
  for (const Case& c : {Case{11, "aé€😀"}, Case{10, "aé€"}, Case{7, "aé€"}, Case{6, "aé"}, Case{4, "aé"},
                        Case{3, "a"}, Case{2, "a"}, Case{1, ""}}) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetDlgItemTextA(dialog, 1001, buffer, c.size), c.text.size()) << c.size;
    EXPECT_EQ(std::string(buffer), c.text) << c.size;
    EXPECT_EQ(buffer[c.size], 'x') << c.size;
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(SendMessageA(edit, WM_GETTEXT, static_cast<WPARAM>(c.size), reinterpret_cast<LPARAM>(buffer)),
              static_cast<LRESULT>(c.text.size()))
        << c.size;
    EXPECT_EQ(std::string(buffer), c.text) << c.size;
  }
  char untouched = 'x';
  EXPECT_EQ(GetDlgItemTextA(dialog, 1001, &untouched, 0), 0u);
  EXPECT_EQ(untouched, 'x');
  // A byte that is not UTF-8 becomes the character of its value.
  ASSERT_TRUE(SetWindowTextA(edit, "\x80z"));
  EXPECT_EQ(DescribeWindow(edit)->text, u"\u0080z");
  char raw[4];
  EXPECT_EQ(GetWindowTextA(edit, raw, sizeof raw), 3);
  EXPECT_STREQ(raw, "\xC2\x80z");
  EXPECT_EQ(GetDlgItemTextA(dialog, 4242, raw, sizeof raw), 0u);
  EXPECT_STREQ(raw, "");
  // Window and class names go through CreateWindowExA the same way.
  const HWND label = CreateWindowExA(0, "Static", "Größe:", WS_CHILD, 0, 0, 1, 1, dialog, 7, nullptr, nullptr);
  EXPECT_EQ(DescribeWindow(label)->text, u"Größe:");
  EXPECT_EQ(DescribeWindow(label)->className, u"Static");
}

TEST_F(ControlsTest, FontsAreRememberedPerWindowAndReadBack) {
  const HFONT font = CreateFontA(-17, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, "Courier");
  ASSERT_NE(font, nullptr);
  LOGFONTA description{};
  ASSERT_EQ(GetObjectA(font, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.lfHeight, -17);
  EXPECT_EQ(description.lfWeight, FW_NORMAL);
  EXPECT_EQ(description.lfPitchAndFamily, FIXED_PITCH);
  EXPECT_STREQ(description.lfFaceName, "Courier");
  EXPECT_EQ(GetObjectA(font, sizeof description - 1, &description), 0);

  const HWND edit = Make("EDIT", ES_MULTILINE | ES_READONLY, 1000);
  EXPECT_EQ(SendMessageA(edit, WM_GETFONT, 0, 0), 0);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)), font);
  EXPECT_EQ(DescribeWindow(edit)->font, font);
  EXPECT_EQ(DescribeWindow(edit)->invalidated, (RECT{0, 0, 100, 20}));  // redrawn
  // Any window keeps a font, the dialog too.
  SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EXPECT_EQ(DescribeWindow(dialog)->font, font);
  EXPECT_FALSE(DescribeWindow(dialog)->invalidated);

  // A long face name is cut between characters.
  LOGFONTA wide{};
  std::memset(wide.lfFaceName, 'a', LF_FACESIZE);
  std::memcpy(wide.lfFaceName + 29, "é", 2);  // bytes 29 and 30 of 31 kept
  const HFONT cut = CreateFontIndirectA(&wide);
  ASSERT_EQ(GetObjectA(cut, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(std::string(description.lfFaceName), std::string(29, 'a') + "é");
  std::memset(wide.lfFaceName, 'a', LF_FACESIZE);
  std::memcpy(wide.lfFaceName + 30, "é", 2);  // would need byte 31
  const HFONT cutBefore = CreateFontIndirectA(&wide);
  ASSERT_EQ(GetObjectA(cutBefore, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(std::string(description.lfFaceName), std::string(30, 'a'));

  for (HFONT f : {font, cut, cutBefore}) EXPECT_TRUE(DeleteObject(f));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_EQ(GetObjectA(font, sizeof description, &description), 0);
}

TEST(DialogFontTest, ADialogGetsItsTemplatesFontOnEveryControlAndDropsIt) {
  const DialogItemTemplate items[] = {
      {u"BUTTON", u"OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 7, 53, 50, 14},
  };
  const DialogTemplate withFont{WS_POPUP | DS_SETFONT, 0, 0, 0, 100, 80, u"F", 8, u"MS Sans Serif", items, 1};
  const HWND dialog = CreateDialogIndirectParamW(nullptr, &withFont, nullptr,
                                                 [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(dialog, nullptr);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dialog, IDOK), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(DescribeWindow(dialog)->font, font);
  LOGFONTA description{};
  ASSERT_NE(GetObjectA(font, sizeof description, &description), 0);
  EXPECT_EQ(description.lfHeight, -11);  // 8 points at 96 dots an inch
  EXPECT_STREQ(description.lfFaceName, "MS Sans Serif");
  DestroyWindow(dialog);
  EXPECT_EQ(GetObjectA(font, sizeof description, &description), 0);
}

TEST(IconTest, LoadedFromTheModulesIconResourceAndKeptPerWindow) {
  static const unsigned char kIconBytes[] = {0, 0, 1, 0};
  static const ResourceEntry kResources[] = {{RT_GROUP_ICON, 128, kIconBytes, sizeof kIconBytes}};
  const auto module = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x7200000));
  RegisterModuleResources(module, kResources, 1);
  const HICON icon = LoadIconA(module, MAKEINTRESOURCEA(128));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(module, MAKEINTRESOURCEW(128)), icon);  // shared
  const auto d = DescribeIcon(icon);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->module, module);
  EXPECT_EQ(d->id, 128);
  EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(129)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(128)), nullptr);

  const HWND window = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 1, 1, nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), icon);
  EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_EQ(DescribeWindow(window)->bigIcon, icon);
  EXPECT_EQ(DescribeWindow(window)->smallIcon, nullptr);
  DestroyWindow(window);
  UnregisterModuleResources(module);
}

}  // namespace
