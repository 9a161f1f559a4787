// The token file: "token = value" lines in a file beside the program, named
// as the program with ".cfg" for its extension (module_path.h gives the
// program's path). The service and the server each load their own copy.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

// The port the server listens on when the token file names none, or names
// one outside 1 to 65535.
inline constexpr std::int32_t DEFAULT_SERVICE_PORT = 7257;

class CConfigMap {
 public:
  CConfigMap() = default;

  // Loads the token file beside the running program. 1 when it was opened and
  // read, 0 otherwise (then every lookup gives its default). The "Config ..."
  // and "Token ..." lines are traced at level 9.
  int Load();
  // The same for the token file of the program at `programPath`.
  int LoadFor(const std::string& programPath);

  // The value stored for `token` (compared lower-cased), or `defaultValue`.
  std::string GetValue(const std::string& token, const std::string& defaultValue) const;

  // The token PORT as a port number: a decimal number from 1 to 65535, blanks
  // around it allowed; anything else (or none) is logged and gives
  // DEFAULT_SERVICE_PORT.
  std::int32_t GetPort() const;

  // The token file's path for a program: the program's file name with its
  // extension (the text from the last "." of the file name, not of a folder)
  // replaced by ".cfg", or with ".cfg" added when it has none. Empty for an
  // empty path.
  static std::string TokenFilePath(const std::string& programPath);

 private:
  // One line of the file, cut at its line feed.
  void ParseLine(std::string line);

  std::unordered_map<std::string, std::string> tokens;
};
