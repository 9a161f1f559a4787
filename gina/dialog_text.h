// The tests on dialog item texts that the reset dialogs share: the
// emptiness test that enables their OK buttons, and whether a text fits a
// record field (a text too long is refused, never cut). Items are read whole
// with GetDlgItemString (dialog_helpers.h).
#pragma once

#include <string>

#include "platform/windows/window_types.h"

// Whether the item's text is empty once trailing white space is taken off.
// The copy read on the way is wiped.
bool ItemTextBlank(HWND dialog, int id);

// Whether a text fits a record's 256-byte text field with its zero.
bool FitsRecordField(const std::string& text);
