// The value of an Active Directory "unicodePwd": the password in double
// quotes as UTF-16 code units, low byte first, through the one UTF-8 to
// UTF-16 conversion of every password path (platform/base/text.h).
#pragma once

#include <string>

// Appends the value to `bytes` (the caller wipes it, platform/base/wipe.h);
// false when memory ran out.
bool UnicodePwdValue(const std::string& password, std::string& bytes);
