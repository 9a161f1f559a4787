// The scripted user's acts, through the model's own calls.
#include "platform/windows/user_agent.h"

#include "platform/base/text.h"
#include "platform/base/wipe.h"
#include "platform/windows/window.h"

bool TypeText(HWND control, std::string_view text) {
  if (!IsWindow(control) || !IsWindowEnabled(control)) return false;
  SetFocus(control);
  std::u16string wide = Utf8ToUtf16(text);
  CWipeOnExit<char16_t> wipeWide(wide);
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  // A single-line edit control reports the new text itself; a multi-line
  // one reports only typing.
  if ((GetWindowLongW(control, GWL_STYLE) & ES_MULTILINE) != 0) {
    const HWND parent = GetParent(control);
    if (parent != nullptr) {
      SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), EN_CHANGE),
                   reinterpret_cast<LPARAM>(control));
    }
  }
  return true;
}

bool TypeItemText(HWND dialog, int id, std::string_view text) { return TypeText(GetDlgItem(dialog, id), text); }

bool Click(HWND dialog, int id) {
  const HWND button = GetDlgItem(dialog, id);
  if (button == nullptr || !IsWindowEnabled(button)) return false;
  SendMessageW(button, BM_CLICK, 0, 0);
  return true;
}

bool ChooseComboLine(HWND combo, int index) {
  if (index < 0 || SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
  const HWND parent = GetParent(combo);
  if (parent != nullptr) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(combo)), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }
  return true;
}

std::string WindowText(HWND window) {
  const auto d = DescribeWindow(window);
  return d ? Utf16ToUtf8(d->text) : std::string();
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

std::vector<std::string> ListBoxLines(HWND listbox) {
  std::vector<std::string> lines;
  if (const auto d = DescribeWindow(listbox)) {
    for (const auto& item : d->items) lines.push_back(Utf16ToUtf8(item));
  }
  return lines;
}

std::vector<std::string> ComboBoxLines(HWND combo) { return ListBoxLines(combo); }
