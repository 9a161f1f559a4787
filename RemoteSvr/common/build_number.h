// The build number of the version lines: the days from 1 February 1998 to the
// build date, plus 4 ("Dec  2 2016" gives 6883).
#pragma once

#include <cstdint>

// The build's date and time texts, as the version banners show them:
// "Mmm dd yyyy" (day padded with a blank) and "hh:mm:ss".
const char* BuildDateText();
const char* BuildTimeText();

// The number for this build's date.
std::int32_t GetBuildNumber();

// The number for a date text in the form of BuildDateText; 0 when the text is
// not such a date.
std::int32_t BuildNumberFromDate(const char* dateText);
