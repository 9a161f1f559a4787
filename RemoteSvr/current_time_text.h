// Local time as the service writes it: the asctime form in connection blocks
// and lock lines, and strftime forms in the C locale (English names whatever
// the process locale) for the log file's month stamp.
#pragma once

#include <ctime>
#include <string>

// The current local time, "Wed Dec  9 11:22:24 2026" (asctime's form without
// its line end). Safe to call from any thread.
std::string CurrentTimeText();

// The same form for a given time.
std::string TimeText(std::time_t when);

// `when` as local time through strftime with `format` in the C locale; at most
// 255 characters.
std::string FormatLocalTime(std::time_t when, const char* format);
