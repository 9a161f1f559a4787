// The "Password Rules" dialog and its text file.
#include "gina/password_rules_dialog.h"

#include <string>
#include <string_view>

#include "gina/dialog_helpers.h"
#include "gina/vantrope_resources.h"
#include "platform/base/last_error.h"
#include "platform/base/system_directory.h"
#include "platform/base/text_file.h"
#include "platform/windows/dialog.h"
#include "platform/windows/font.h"
#include "platform/windows/window.h"

namespace {

// Made at the first rules dialog and kept for the process's life.
HFONT g_rulesFont = nullptr;

HFONT RulesFont() {
  if (g_rulesFont == nullptr) {
    g_rulesFont = CreateFontA(-17, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 1, "Courier");
  }
  return g_rulesFont;
}

}  // namespace

RulesText ReadRulesText() {
  const std::string path = SystemDirectoryPath() + "/" + RULES_TEXT_FILE;
  RulesText rules;
  bool first = true;
  const bool read = ForEachTextFileLine(path, [&](std::string_view line) {
    if (first) {
      rules.title = line;
      first = false;
      return;
    }
    if (!rules.text.empty()) rules.text += "\r\n";
    rules.text += line;
  });
  if (!read) {
    rules = RulesText{};
    rules.text = path + " - not opened - error " + std::to_string(static_cast<int>(GetLastError()));
  }
  return rules;
}

INT_PTR PasswordRulesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CentreDialog(dialog);
      SendDlgItemMessageA(dialog, IDC_RULES_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(RulesFont()),
                          MAKELPARAM(TRUE, 0));
      const RulesText rules = ReadRulesText();
      SetDlgItemTextA(dialog, IDC_RULES_TEXT, rules.text.c_str());
      if (!rules.title.empty()) SetWindowTextA(dialog, rules.title.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      return 0;
    default:
      return 0;
  }
}
