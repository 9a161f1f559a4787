// Dialog 101, "Password Rules": the site's rules text ("Vantrope.Txt" in
// the system directory) shown before the change-password dialog. Accept
// ends it with 1, Decline with 0.
#pragma once

#include <string>

#include "platform/windows/window_types.h"

INT_PTR PasswordRulesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The rules text file's name in the system directory.
inline constexpr char RULES_TEXT_FILE[] = "Vantrope.Txt";

// The file read as the dialog shows it: its first line is the title, the
// other lines the text joined by CR LF, blank lines before the first text
// line dropped. A file that cannot be opened gives the text
// "<path> - not opened - error <code>" and no title.
struct RulesText {
  std::string title;
  std::string text;
};
RulesText ReadRulesText();
