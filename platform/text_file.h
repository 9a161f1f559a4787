// Reading a text file line by line, as the class library's text files do:
// LF and CR LF ends alike, a leading UTF-8 byte-order mark dropped. The
// rules file, the dictionary and the question file are read this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Calls `onLine` with each line, its end removed; a last line without an end
// counts. Returns false, with the last-error code set, when the file cannot
// be opened or read.
bool ForEachTextFileLine(const std::string& path, const std::function<void(std::string_view)>& onLine);
