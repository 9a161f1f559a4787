// The dictionary check: reload the patterns, then look the password up.
#include "rules/dictionary.h"

#include <chrono>

#include "platform/last_error.h"
#include "platform/message_box.h"
#include "platform/system_directory.h"
#include "platform/text.h"
#include "platform/text_file.h"
#include "platform/wipe.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/rule_state.h"

namespace {

// A line is a pattern when it starts with "*", a digit or a letter; the
// rest (empty, blank, "#", "-", ...) are comments.
bool IsPatternLine(const std::u16string& line) {
  return !line.empty() && (line.front() == u'*' || IsDigitChar(line.front()) || IsAlphaChar(line.front()));
}

// Loads the dictionary into `patterns`; false when the file cannot be read.
bool LoadDictionary(CWildcardPatternSet& patterns) {
  const auto started = std::chrono::steady_clock::now();
  const std::string path = SystemDirectoryPath() + "/" + DICTIONARY_FILE_NAME;
  WriteRulesLog("Dictionary: Loading '%s'", path.c_str());
  const bool opened = ForEachTextFileLine(path, [&](std::string_view bytes) {
    std::u16string line = Utf8ToUtf16(bytes);
    if (IsPatternLine(line)) patterns.Insert(LowerCase(line));
  });
  if (!opened) {
    WriteRulesLog("Dictionary: '%s' - not opened - error %d", path.c_str(), static_cast<int>(GetLastError()));
    return false;
  }
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  WriteRulesLog("Dictionary: %d entries loaded in %d.%03d seconds", static_cast<int>(patterns.Size()),
                static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
  return true;
}

}  // namespace

BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message) {
  CWildcardPatternSet& patterns = EngineState().dictionaryMap;
  patterns.Clear();
  if (!LoadDictionary(patterns) || patterns.Empty()) return TRUE;

  std::u16string password = LowerCase(newPassword);
  CWipeOnExit wipe(password);
  std::u16string matched;
  const BOOL exact = patterns.Contains(password);
  // The password itself never reaches the log, SEVERE or not.
  WriteRulesLog("Dictionary: Checked %s status = %d", "pwd", exact ? 1 : 0);
  if (exact) {
    matched = password;
  } else if (!FindWildcardEntry(patterns, password, matched, WILDCARD_PAST_EXACT)) {
    return TRUE;
  }

  message = u"Password excluded by dictionary rule: " + matched;
  if (ownerWindow != nullptr)
    MessageBoxW(ownerWindow, message.c_str(), Utf8ToUtf16(RULE_ENFORCER_CAPTION).c_str(), MB_ICONERROR);
  WriteRulesLog("Dictionary: Excluded by dictionary rule: %s", Utf16ToUtf8(matched).c_str());
  return FALSE;
}
