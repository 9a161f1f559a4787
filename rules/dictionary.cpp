// The dictionary check: reload the patterns, then look the password up.
#include "rules/dictionary.h"

#include <algorithm>
#include <chrono>

#include "platform/base/last_error.h"
#include "platform/windows/message_box.h"
#include "platform/base/system_directory.h"
#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "platform/base/wipe.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/rule_state.h"

namespace {

// A line is a pattern when it starts with "*", a digit or a letter; the
// rest (empty, blank, "#", "-", ...) are comments.
bool IsPatternLine(std::u16string_view line) {
  return !line.empty() && (line.front() == u'*' || IsDigitChar(line.front()) || IsAlphaChar(line.front()));
}

// Appends the lower-cased UTF-16 form of a line to `out`; the common
// all-ASCII line takes the short way.
void AppendLowerLine(std::string_view bytes, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      out.resize(start);
      out.append(LowerCase(Utf8ToUtf16(bytes)));
      return;
    }
    out[start + i] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  }
}

}  // namespace

bool LoadDictionary(CWildcardPatternSet& patterns, std::vector<std::size_t>& lines) {
  lines.clear();
  const auto started = std::chrono::steady_clock::now();
  const std::string path = SystemDirectoryPath() + "/" + DICTIONARY_FILE_NAME;
  WriteRulesLog("Dictionary: Loading '%s'", path.c_str());
  std::string content;
  if (!ReadTextFile(path, content)) {
    WriteRulesLog("Dictionary: '%s' - not opened - error %d", path.c_str(), static_cast<int>(GetLastError()));
    return false;
  }
  // All pattern lines into one text first (never more units than bytes),
  // then the table in one pass.
  std::u16string text;
  text.reserve(content.size());
  std::vector<CWildcardPatternSet::Span> spans;
  const std::size_t lineCount = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1;
  spans.reserve(lineCount);
  lines.reserve(lineCount);
  std::size_t number = 0;
  ForEachLine(content, [&](std::string_view bytes) {
    ++number;
    const std::size_t start = text.size();
    AppendLowerLine(bytes, text);
    const std::u16string_view line = std::u16string_view(text).substr(start);
    if (IsPatternLine(line)) {
      spans.push_back({start, line.size()});
      lines.push_back(number);
    } else {
      text.resize(start);
    }
  });
  patterns.Assign(std::move(text), spans);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  WriteRulesLog("Dictionary: %d entries loaded in %d.%03d seconds", static_cast<int>(patterns.Size()),
                static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
  return true;
}

BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message) {
  RuleEngineState& state = EngineState();
  CWildcardPatternSet& patterns = state.dictionaryMap;
  patterns.Clear();
  if (!LoadDictionary(patterns, state.dictionaryLines) || patterns.Empty()) return TRUE;

  std::u16string password = LowerCase(newPassword);
  CWipeOnExit wipe(password);
  std::u16string matched;
  CWipeOnExit wipeMatched(matched);
  const BOOL exact = patterns.Contains(password);
  // The password itself never reaches the log, SEVERE or not.
  WriteRulesLog("Dictionary: Checked %s status = %d", "pwd", exact ? 1 : 0);
  if (exact) {
    matched = password;
  } else if (!FindWildcardEntry(patterns, password, matched, WILDCARD_PAST_EXACT)) {
    return TRUE;
  }

  // An entry that holds the whole password (the word itself, or it with a
  // star) would show it: such an entry is named by its line instead.
  std::u16string rule = matched;
  if (matched.find(password) != std::u16string::npos) {
    const std::size_t position = patterns.Position(matched);
    const std::size_t line = position < state.dictionaryLines.size() ? state.dictionaryLines[position] : 0;
    WipeString(rule);
    rule = u"line " + Utf8ToUtf16(std::to_string(line));
  }
  message = u"Password excluded by dictionary rule: " + rule;
  if (ownerWindow != nullptr)
    MessageBoxW(ownerWindow, message.c_str(), Utf8ToUtf16(RULE_ENFORCER_CAPTION).c_str(), MB_ICONERROR);
  WriteRulesLog("Dictionary: Excluded by dictionary rule: %s", Utf16ToUtf8(rule).c_str());
  WipeString(rule);
  return FALSE;
}
