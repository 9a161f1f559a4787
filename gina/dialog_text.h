// Reading a dialog item's text whole, however long, so that a text too long
// for a record field is refused rather than cut; and the emptiness test that
// enables the OK buttons of the reset dialogs.
#pragma once

#include <string>

#include "platform/windows/window.h"

// The item's text (UTF-8), all of it. The caller wipes it when it held a
// password or an answer.
std::string ReadItemText(HWND dialog, int id);

// Whether the item's text is empty once trailing white space is taken off.
// The copy read on the way is wiped.
bool ItemTextBlank(HWND dialog, int id);

// Whether a text fits a record's 256-byte text field with its zero.
bool FitsRecordField(const std::string& text);
