// CConfigMap: reads the token file line by line (a line is one line however
// long) into a map of lower-cased tokens, and reads the port from it.
#include "RemoteSvr/config_map.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "RemoteSvr/log_file.h"
#include "RemoteSvr/module_path.h"
#include "platform/base/text.h"

namespace {

// The longest line kept, line end not counted: far more than any setting
// needs. A longer line is skipped whole (never read as several lines, whose
// tail could then set a token).
constexpr std::size_t kMaxLine = 4096;

constexpr const char* kSeparator = " = ";

bool IsTrailingSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void StripTrailingSpace(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsTrailingSpace(text[end - 1])) --end;
  text.resize(end);
}

}  // namespace

std::string CConfigMap::TokenFilePath(const std::string& programPath) {
  if (programPath.empty()) return std::string();
  const std::size_t slash = programPath.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = programPath.rfind('.');
  // Only a "." inside the file name starts an extension; "./prog" or
  // "/opt/app.d/prog" have none.
  if (dot == std::string::npos || dot < nameStart || dot == nameStart) return programPath + ".cfg";
  return programPath.substr(0, dot) + ".cfg";
}

int CConfigMap::Load() { return LoadFor(CModulePath().fullPath); }

int CConfigMap::LoadFor(const std::string& programPath) {
  const std::string path = TokenFilePath(programPath);
  if (path.empty()) return 0;
  CLogFile& log = LogFile();
  log.Trace(9, "Config file: %s", path.c_str());
  log.Trace(9, "%s", "");
  std::FILE* file = std::fopen(path.c_str(), "re");
  if (file == nullptr) {
    log.Trace(9, "Can't open configuration file.");
    log.Trace(9, "%s", "");
    return 0;
  }
  std::string line;
  bool tooLong = false;
  for (;;) {
    const int c = std::getc(file);
    if (c != EOF && c != '\n') {
      if (tooLong) continue;
      if (line.size() == kMaxLine) {
        tooLong = true;
        line.clear();
        continue;
      }
      line.push_back(static_cast<char>(c));
      continue;
    }
    if (c == EOF && line.empty() && !tooLong) break;
    if (tooLong) {
      log.Trace(9, "Config: line longer than %zu bytes skipped", kMaxLine);
    } else {
      line.resize(std::strlen(line.c_str()));  // text ends at a zero byte
      log.Trace(9, "Config: %s", line.c_str());
      ParseLine(std::move(line));
    }
    line.clear();
    tooLong = false;
    if (c == EOF) break;
  }
  log.Trace(9, "%s", "");
  std::fclose(file);
  return 1;
}

void CConfigMap::ParseLine(std::string line) {
  StripTrailingSpace(line);
  if (line.empty() || line[0] == '#') return;
  const std::size_t separator = line.find(kSeparator);
  if (separator == std::string::npos) return;
  std::string token = line.substr(0, separator);
  StripTrailingSpace(token);
  token = LowerCase(token);
  std::string value = line.substr(separator + std::strlen(kSeparator));
  LogFile().Trace(9, "Token [%s] = [%s]", token.c_str(), value.c_str());
  tokens[std::move(token)] = std::move(value);
}

std::string CConfigMap::GetValue(const std::string& token, const std::string& defaultValue) const {
  const auto found = tokens.find(LowerCase(token));
  return found == tokens.end() ? defaultValue : found->second;
}

std::int32_t CConfigMap::GetPort() const {
  const std::string text = GetValue("PORT", std::to_string(DEFAULT_SERVICE_PORT));
  // Decimal digits only, blanks around them allowed: "7300x", "-1", "0x1c5d"
  // and "99999" are not ports.
  const std::size_t begin = text.find_first_not_of(" \t");
  const std::size_t end = text.find_last_not_of(" \t");
  bool valid = begin != std::string::npos;
  std::int32_t port = 0;
  for (std::size_t i = begin; valid && i <= end; ++i) {
    if (text[i] < '0' || text[i] > '9') valid = false;
    else if (port <= 65535) port = port * 10 + (text[i] - '0');
  }
  if (valid && port >= 1 && port <= 65535) return port;
  LogFile().Log("Invalid PORT value [%s] in the configuration file, using port %d", text.c_str(),
                static_cast<int>(DEFAULT_SERVICE_PORT));
  return DEFAULT_SERVICE_PORT;
}
