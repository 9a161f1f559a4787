// Cutting a text into fields at a separator byte: question-file lines at TAB,
// directory attribute lists at ",".
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Replaces the list's contents with the fields of `text`: every separator
// ends a field (empty fields count, so "a\tb\t" gives a, b and ""), the text
// after the last one is the last field, and an empty text gives no field.
void SplitString(std::string_view text, char separator, std::vector<std::string>& fields);
