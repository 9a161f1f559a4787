// Service folders, unit names and the unit file's text, both ways.
#include "platform/service/service_unit_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

namespace {

// systemd's longest unit name (UNIT_NAME_MAX without its zero).
constexpr std::size_t kUnitNameLimit = 255;
constexpr std::size_t kServiceNameLimit = 256;
constexpr std::string_view kUnitSuffix = ".service";

std::string FolderFromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  std::string folder = value != nullptr && value[0] != '\0' ? value : fallback;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
  }
  return false;
}

// systemd expands "%" specifiers in every value we write, and "$" variables
// in ExecStart only: double them so they stand for themselves.
std::string EscapeSpecifiers(std::string_view text, bool dollars) {
  std::string out;
  for (const char c : text) {
    if (c == '%' || (dollars && c == '$')) out += c;
    out += c;
  }
  return out;
}

// One word in double quotes with C escapes for "\" and the quote.
std::string QuoteWord(std::string_view word, bool dollars) {
  std::string out = "\"";
  for (const char c : EscapeSpecifiers(word, dollars)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string_view Trim(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return std::string_view();
  const std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

// Splits a value into words as systemd does for ExecStart and Environment:
// blanks separate, double or single quotes group, C escapes inside, and the
// doubled specifiers undone. False for a quote that is not closed.
bool SplitWords(std::string_view text, bool dollars, std::vector<std::string>& words) {
  words.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    std::string word;
    char quote = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (quote == 0 && (c == ' ' || c == '\t')) break;
      if (quote == 0 && (c == '"' || c == '\'')) {
        quote = c;
        continue;
      }
      if (quote != 0 && c == quote) {
        quote = 0;
        continue;
      }
      if (c == '\\' && i + 1 < text.size()) {
        const char next = text[++i];
        word += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        continue;
      }
      if ((c == '%' || (dollars && c == '$')) && i + 1 < text.size() && text[i + 1] == c) ++i;
      word += c;
    }
    if (quote != 0) return false;
    words.push_back(std::move(word));
  }
  return true;
}

std::string UndoSpecifiers(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
  }
  return out;
}

}  // namespace

std::string ServiceDirectory() { return FolderFromEnvironment("VARNOK_SERVICE_DIR", SYSTEMD_SERVICE_DIRECTORY); }

std::string ServiceRunDirectory() { return FolderFromEnvironment("VARNOK_RUN_DIR", DEFAULT_RUN_DIRECTORY); }

std::string EscapedUnitName(std::string_view serviceName) {
  std::string out;
  for (std::size_t i = 0; i < serviceName.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(serviceName[i]);
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
                      c == '_' || (c == '.' && i > 0);
    if (keep) {
      out += static_cast<char>(c);
    } else {
      char escape[5];
      std::snprintf(escape, sizeof(escape), "\\x%02x", c);
      out += escape;
    }
  }
  return out;
}

bool IsValidServiceName(std::string_view serviceName) {
  if (serviceName.empty() || serviceName.size() > kServiceNameLimit) return false;
  if (HasControlCharacter(serviceName)) return false;
  if (serviceName.find_first_of("/\\") != std::string_view::npos) return false;
  return EscapedUnitName(serviceName).size() + kUnitSuffix.size() <= kUnitNameLimit;
}

std::string UnitFilePath(std::string_view serviceName) {
  return ServiceDirectory() + "/" + EscapedUnitName(serviceName) + std::string(kUnitSuffix);
}

std::string ControlSocketPath(std::string_view serviceName) {
  return ServiceRunDirectory() + "/" + EscapedUnitName(serviceName) + ".sock";
}

std::string ServiceOutputPath(std::string_view serviceName) {
  return ServiceRunDirectory() + "/" + EscapedUnitName(serviceName) + ".out";
}

bool FormatUnitFile(const ServiceUnit& unit, std::string& text) {
  if (unit.command.empty() || HasControlCharacter(unit.description) || HasControlCharacter(unit.user) ||
      HasControlCharacter(unit.runtimeDirectory)) {
    return false;
  }
  for (const std::string& word : unit.command) {
    if (HasControlCharacter(word)) return false;
  }
  for (const auto& [name, value] : unit.environment) {
    if (HasControlCharacter(name) || HasControlCharacter(value) || name.find('=') != std::string::npos) return false;
  }
  text = "# Installed by the Varnok service layer; removed with the service.\n";
  text += "[Unit]\nDescription=" + EscapeSpecifiers(Trim(unit.description), false) + "\n\n";
  text += "[Service]\nType=notify\nNotifyAccess=main\nExecStart=";
  for (std::size_t i = 0; i < unit.command.size(); ++i) {
    if (i > 0) text += ' ';
    text += QuoteWord(unit.command[i], true);
  }
  text += "\n";
  if (!unit.user.empty()) text += "User=" + EscapeSpecifiers(unit.user, false) + "\n";
  if (!unit.runtimeDirectory.empty()) {
    text += "RuntimeDirectory=" + EscapeSpecifiers(unit.runtimeDirectory, false) + "\nRuntimeDirectoryPreserve=yes\n";
  }
  for (const auto& [name, value] : unit.environment) {
    text += "Environment=" + QuoteWord(name + "=" + value, false) + "\n";
  }
  if (unit.autoStart) text += "\n[Install]\nWantedBy=multi-user.target\n";
  return true;
}

bool ParseUnitFile(std::string_view text, ServiceUnit& unit) {
  unit = ServiceUnit();
  bool haveCommand = false;
  std::vector<std::string> words;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "Description") {
      unit.description = UndoSpecifiers(value);
    } else if (key == "ExecStart") {
      if (!SplitWords(value, true, words) || words.empty()) return false;
      unit.command = words;
      haveCommand = true;
    } else if (key == "User") {
      unit.user = UndoSpecifiers(value);
    } else if (key == "Environment") {
      if (!SplitWords(value, false, words)) return false;
      for (const std::string& assignment : words) {
        const std::size_t split = assignment.find('=');
        if (split == std::string::npos) continue;
        unit.environment.emplace_back(assignment.substr(0, split), assignment.substr(split + 1));
      }
    } else if (key == "WantedBy") {
      unit.autoStart = true;
    }
  }
  return haveCommand;
}

std::vector<std::string> SplitBinaryPath(std::string_view binaryPathName) {
  const std::string_view text = Trim(binaryPathName);
  std::vector<std::string> words;
  if (text.empty()) return words;
  std::string_view rest;
  if (text[0] == '"') {
    const std::size_t close = text.find('"', 1);
    if (close == std::string_view::npos) {
      words.emplace_back(text.substr(1));
      return words;
    }
    words.emplace_back(text.substr(1, close - 1));
    rest = text.substr(close + 1);
  } else {
    struct stat info {};
    if (::stat(std::string(text).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      words.emplace_back(text);
      return words;
    }
    const std::size_t blank = text.find_first_of(" \t");
    words.emplace_back(text.substr(0, blank));
    rest = blank == std::string_view::npos ? std::string_view() : text.substr(blank);
  }
  while (!(rest = Trim(rest)).empty()) {
    const std::size_t blank = rest.find_first_of(" \t");
    words.emplace_back(rest.substr(0, blank));
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank);
  }
  return words;
}
