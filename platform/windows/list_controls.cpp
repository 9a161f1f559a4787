// The LISTBOX and COMBOBOX classes: a list of lines and a selection. A
// combo box's text is its selected line (set when the selection is), and a
// drop-down list (CBS_DROPDOWNLIST) takes no other text. Nothing sorts:
// lines stay in the order they were added.
#include <optional>
#include <string>

#include "platform/base/text.h"
#include "platform/windows/window.h"
#include "platform/windows/window_table.h"

namespace {

// The same operations under the two classes' message numbers.
struct CListMessages {
  UINT add, reset, setSelection, getSelection, getText, getTextLength, getCount, findExact;
  LRESULT error;
};
constexpr CListMessages kListBox{LB_ADDSTRING, LB_RESETCONTENT, LB_SETCURSEL, LB_GETCURSEL, LB_GETTEXT,
                                 LB_GETTEXTLEN, LB_GETCOUNT,     0,            LB_ERR};
constexpr CListMessages kComboBox{CB_ADDSTRING,    CB_RESETCONTENT, CB_SETCURSEL,       CB_GETCURSEL, CB_GETLBTEXT,
                                  CB_GETLBTEXTLEN, CB_GETCOUNT,     CB_FINDSTRINGEXACT, CB_ERR};

std::u16string LineArgument(LPARAM lParam) {
  const auto* text = reinterpret_cast<LPCWSTR>(lParam);
  return text != nullptr ? std::u16string(text) : std::u16string();
}

bool InRange(const CWindowRecord& r, WPARAM index) { return index < r.items.size(); }

// The combo box's text follows its selection.
void FollowSelection(CWindowRecord& r, bool combo) {
  if (!combo) return;
  r.text = r.selection >= 0 ? r.items[static_cast<std::size_t>(r.selection)] : std::u16string();
}

// The answer to one of the list messages, or nothing when `message` is
// not one of them.
std::optional<LRESULT> ListMessage(HWND window, const CListMessages& m, bool combo, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
  LRESULT result = m.error;
  bool known = true;
  WithWindowRecord(window, [&](CWindowRecord& r) {
    const auto count = static_cast<LRESULT>(r.items.size());
    if (message == m.add) {
      r.items.push_back(LineArgument(lParam));
      result = count;
    } else if (message == m.reset) {
      r.items.clear();
      r.selection = -1;
      r.topIndex = 0;
      FollowSelection(r, combo);
      result = 0;
    } else if (message == m.setSelection) {
      // -1 clears the selection, and is answered as an error all the same.
      if (InRange(r, wParam)) {
        r.selection = static_cast<int>(wParam);
        result = r.selection;
      } else {
        r.selection = -1;
      }
      FollowSelection(r, combo);
    } else if (message == m.getSelection) {
      result = r.selection >= 0 ? r.selection : m.error;
    } else if (message == m.getText) {
      if (InRange(r, wParam) && lParam != 0) {
        const std::u16string& line = r.items[wParam];
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        line.copy(buffer, line.size());
        buffer[line.size()] = 0;
        result = static_cast<LRESULT>(line.size());
      }
    } else if (message == m.getTextLength) {
      if (InRange(r, wParam)) result = static_cast<LRESULT>(r.items[wParam].size());
    } else if (message == m.getCount) {
      result = count;
    } else if (m.findExact != 0 && message == m.findExact) {
      // Ignoring case, from the line after `wParam` round to it.
      const std::u16string wanted = LowerCase(LineArgument(lParam));
      const auto start = static_cast<std::intptr_t>(wParam);
      for (LRESULT step = 1; step <= count; ++step) {
        const LRESULT at = ((start < 0 || start >= count ? -1 : start) + step) % count;
        if (LowerCase(r.items[static_cast<std::size_t>(at)]) == wanted) {
          result = at;
          break;
        }
      }
    } else if (!combo && message == LB_SETTOPINDEX) {
      if (InRange(r, wParam) || (wParam == 0 && count == 0)) {
        r.topIndex = static_cast<int>(wParam);
        result = 0;
      }
    } else if (!combo && message == LB_GETTOPINDEX) {
      result = r.topIndex;
    } else {
      known = false;
    }
  });
  if (!known) return std::nullopt;
  return result;
}

}  // namespace

LRESULT ListBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (const auto result = ListMessage(window, kListBox, false, message, wParam, lParam)) return *result;
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ComboBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT) {
    const auto style = WindowRecordField(window, &CWindowRecord::style);
    if (style && (*style & CBS_DROPDOWNLIST) == CBS_DROPDOWNLIST) return CB_ERR;
  }
  if (const auto result = ListMessage(window, kComboBox, true, message, wParam, lParam)) return *result;
  return DefWindowProcW(window, message, wParam, lParam);
}
