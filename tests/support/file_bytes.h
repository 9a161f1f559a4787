// Whole files as the tests read and write them: bytes as they are, or the
// lines of a text.
#pragma once

#include <string>
#include <vector>

// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Replaces the file's content with `bytes` (no line end added).
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The file's lines without their line ends; none when it cannot be read.
std::vector<std::string> FileLines(const std::string& path);
