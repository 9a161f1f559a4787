// The scripted user: what a host (a test playing the user in front of the
// logon screen) installs to answer modal dialogs, and the small acts it
// does through the model: type into a control, click a button, choose a
// combo box line, read a list. Texts are UTF-8. Message boxes are answered
// by the message-box sink (message_box.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/window_types.h"

// Called by a modal dialog's loop whenever the loop's queue is empty, with
// that dialog (the one in front). It acts as the user and answers true, or
// answers false when it has nothing more to do: the loop then closes the
// dialog as the user would. One agent for the process; an empty one removes
// it (then every modal dialog is closed at once).
using ModalAgent = std::function<bool(HWND dialog)>;
void SetModalAgent(ModalAgent agent);

// The modal dialogs whose loops run, the outermost first.
std::vector<HWND> OpenModalDialogs();

// Types `text` into the control as a user would: the control takes the
// focus, its text becomes `text` and the parent hears EN_CHANGE. False for
// no window or a disabled one.
bool TypeText(HWND control, std::string_view text);
bool TypeItemText(HWND dialog, int id, std::string_view text);
// Clicks the dialog's button `id` (BM_CLICK); false when there is no such
// control or it is disabled (the click does nothing then).
bool Click(HWND dialog, int id);
// Chooses line `index` of a combo box as a user would (CB_SETCURSEL, then
// CBN_SELCHANGE to the parent); false for no such line.
bool ChooseComboLine(HWND combo, int index);

// The window's text.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// The lines of a list box or combo box.
std::vector<std::string> ListBoxLines(HWND listbox);
std::vector<std::string> ComboBoxLines(HWND combo);
