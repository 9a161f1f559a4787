// The dictionary check: the password looked up as the file is read, in one
// pass when the engine already knows the file's entry count, else through
// the whole table, which counts the entries for the calls after.
#include "rules/dictionary.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "platform/base/last_error.h"
#include "platform/base/system_directory.h"
#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "platform/base/wipe.h"
#include "platform/windows/message_box.h"
#include "rules/dictionary_scan.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/rule_state.h"

namespace {

// A file changed this recently may change again within the same tick of
// its file system's clock and keep its times: its count is not kept.
constexpr std::int64_t kSettleSeconds = 2;

DictionaryEntryCount IdentityOf(const struct stat& info) {
  DictionaryEntryCount id;
  id.device = static_cast<std::uint64_t>(info.st_dev);
  id.inode = static_cast<std::uint64_t>(info.st_ino);
  id.size = static_cast<std::int64_t>(info.st_size);
  id.changed[0] = info.st_ctim.tv_sec;
  id.changed[1] = info.st_ctim.tv_nsec;
  id.modified[0] = info.st_mtim.tv_sec;
  id.modified[1] = info.st_mtim.tv_nsec;
  return id;
}

bool StatPath(const std::string& path, DictionaryEntryCount& id) {
  struct stat info{};
  if (::stat(path.c_str(), &info) != 0) return false;
  id = IdentityOf(info);
  return true;
}

bool StatOpen(int fd, DictionaryEntryCount& id) {
  struct stat info{};
  if (::fstat(fd, &info) != 0) return false;
  id = IdentityOf(info);
  return true;
}

// The single pass, when the file is still the one counted. False with
// `read` true when the file was read but is not that one (or changed while
// it was read); false with `read` false when it could not be read.
bool ScanCountedFile(const std::string& path, std::u16string_view password, CDictionaryVerdict& verdict,
                     bool& read) {
  const DictionaryEntryCount& counted = EngineState().dictionaryCount;
  read = false;
  const int fd = OpenRegularTextFile(path);
  if (fd < 0) return false;
  read = true;
  DictionaryEntryCount before, after;
  if (!StatOpen(fd, before) || !before.SameFile(counted)) {
    ::close(fd);
    return false;
  }
  const CDictionaryKeys keys(password);
  CDictionaryHit hit;
  const bool scanned = ScanDictionary(fd, keys, hit);
  const bool same = StatOpen(fd, after) && after.SameFile(counted);
  ::close(fd);
  if (!scanned) {
    read = false;
    return false;
  }
  if (!same) return false;
  verdict.entries = counted.entries;
  verdict.found = hit.Found();
  verdict.exact = hit.rank == 0;
  verdict.pattern = hit.pattern;
  verdict.line = hit.line;
  return true;
}

// The whole table, and the lookup in it; the count is kept for the next
// call when the file stood still while it was read and has settled.
bool ReadWholeTable(const std::string& path, std::u16string_view password, CDictionaryVerdict& verdict) {
  DictionaryEntryCount& counted = EngineState().dictionaryCount;
  counted.known = false;
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  DictionaryEntryCount before, after;
  const bool statted = StatPath(path, before);
  CWildcardPatternSet patterns;
  std::vector<std::size_t> lines;
  if (!ReadDictionaryPatterns(path, patterns, lines)) return false;
  verdict.entries = patterns.Size();
  if (!patterns.Empty()) {
    verdict.exact = patterns.Contains(password);
    if (verdict.exact) {
      verdict.found = true;
      verdict.pattern.assign(password);
    } else {
      verdict.found = FindWildcardEntry(patterns, password, verdict.pattern, WILDCARD_PAST_EXACT) != FALSE;
    }
    if (verdict.found) {
      const std::size_t position = patterns.Position(verdict.pattern);
      verdict.line = position < lines.size() ? lines[position] : 0;
    }
  }
  const std::int64_t latest = std::max(before.changed[0], before.modified[0]);
  if (statted && StatPath(path, after) && after.SameFile(before) && latest + kSettleSeconds < now) {
    counted = before;
    counted.entries = verdict.entries;
    counted.known = true;
  }
  return true;
}

}  // namespace

std::string DictionaryPath() { return SystemDirectoryPath() + "/" + DICTIONARY_FILE_NAME; }

bool ReadDictionaryPatterns(const std::string& path, CWildcardPatternSet& patterns, std::vector<std::size_t>& lines) {
  patterns.Clear();
  lines.clear();
  std::string content;
  if (!ReadTextFile(path, content)) return false;
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
    if (IsDictionaryPatternLine(line)) {
      spans.push_back({start, line.size()});
      lines.push_back(number);
    } else {
      text.resize(start);
    }
  });
  patterns.Assign(std::move(text), spans);
  return true;
}

CDictionaryVerdict::~CDictionaryVerdict() { WipeString(pattern); }

bool ReadDictionaryVerdict(const std::string& path, std::u16string_view password, CDictionaryVerdict& verdict) {
  if (EngineState().dictionaryCount.known) {
    bool read = false;
    if (ScanCountedFile(path, password, verdict, read)) return true;
    if (!read) return false;
    verdict.found = verdict.exact = false;
    WipeString(verdict.pattern);
  }
  return ReadWholeTable(path, password, verdict);
}

BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message) {
  const auto started = std::chrono::steady_clock::now();
  const std::string path = DictionaryPath();
  WriteRulesLog("Dictionary: Loading '%s'", path.c_str());
  std::u16string password = LowerCase(newPassword);
  CWipeOnExit wipe(password);
  CDictionaryVerdict verdict;
  if (!ReadDictionaryVerdict(path, password, verdict)) {
    WriteRulesLog("Dictionary: '%s' - not opened - error %d", path.c_str(), static_cast<int>(GetLastError()));
    return TRUE;
  }
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  WriteRulesLog("Dictionary: %d entries loaded in %d.%03d seconds", static_cast<int>(verdict.entries),
                static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
  if (verdict.entries == 0) return TRUE;

  // The password itself never reaches the log, SEVERE or not.
  WriteRulesLog("Dictionary: Checked %s status = %d", "pwd", verdict.exact ? 1 : 0);
  if (!verdict.found) return TRUE;

  // An entry that holds the whole password (the word itself, or it with a
  // star) would show it: such an entry is named by its line instead.
  std::u16string rule = verdict.pattern;
  if (verdict.pattern.find(password) != std::u16string::npos) {
    WipeString(rule);
    rule = u"line " + Utf8ToUtf16(std::to_string(verdict.line));
  }
  message = u"Password excluded by dictionary rule: " + rule;
  if (ownerWindow != nullptr)
    MessageBoxW(ownerWindow, message.c_str(), Utf8ToUtf16(RULE_ENFORCER_CAPTION).c_str(), MB_ICONERROR);
  WriteRulesLog("Dictionary: Excluded by dictionary rule: %s", Utf16ToUtf8(rule).c_str());
  WipeString(rule);
  return FALSE;
}
