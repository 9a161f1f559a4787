// libFuzzer target: the question file "Pellucor.txt" as the service reads
// it: split into lines (from pieces of any size and from the file), each
// line's kind and safe trace form, the alias lines, the lines a reader
// wants, and the settings read at start-up. Input: one byte for the size of
// the pieces, then the file.
// Domain-controller lines ask a directory that never answers, so nothing
// leaves the process.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/question_file.h"
#include "platform/base/text.h"
#include "platform/ldap/winldap.h"
#include "platform/ldap/winldap_backend.h"
#include "tests/fuzz/scratch_directory.h"

namespace {

// A directory that cannot be reached.
class COfflineDirectory : public IWinLdapBackend {
 public:
  std::unique_ptr<IWinLdapConnection> Open(const std::string&, std::uint32_t, std::uint32_t& result) override {
    result = LDAP_SERVER_DOWN;
    return nullptr;
  }
};

// The registry names the scratch folder as the question file's folder.
const CScratchDirectory& DatabaseDirectory() {
  static const CScratchDirectory* const scratch = [] {
    static CScratchDirectory directory;
    static COfflineDirectory offline;
    SetWinLdapBackend(&offline);
    directory.Write("registry.reg",
                    "Windows Registry Editor Version 5.00\r\n\r\n"
                    "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n"
                    "\"DatabasePath\"=\"" + directory.Path() + "\"\r\n");
    ::setenv("VARNOK_REGISTRY", directory.File("registry.reg").c_str(), 1);
    LogFile().debugLevel = 9;  // the trace lines are formatted (nothing is open to write them to)
    return &directory;
  }();
  return *scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const CScratchDirectory& folder = DatabaseDirectory();
  const std::size_t pieceSize = static_cast<std::size_t>(data[0]) + 1;
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string path = DatabaseFilePath(folder.Path());
  folder.Write(DATABASE_FILE_NAME, file);

  // The same lines whatever pieces the bytes arrive in.
  std::vector<std::string> fromPieces;
  {
    CLineSplitter splitter;
    const CLineSplitter::OnLine keep = [&](std::string_view line) { fromPieces.emplace_back(line); };
    for (std::size_t at = 0; at < file.size(); at += pieceSize) splitter.Feed(file.substr(at, pieceSize), keep);
    splitter.Finish(keep);
  }
  std::vector<std::string> fromFile;
  CDomainAliases aliases;
  std::vector<std::string_view> fields;
  ReadDatabaseLines(path, true, [&](std::string_view line) {
    fromFile.emplace_back(line);
    SplitFields(line, fields);
    if (fields.size() == 2) IsLockStatus(fields[1]);
    HasLineBreakOrTab(fields.empty() ? std::string_view() : fields[0]);
    aliases.Offer(line);
  });
  if (fromPieces != fromFile) __builtin_trap();

  // A filtered read hands on just the lines the filter wants, and the
  // filter passes over no alias line and no line whose key ends with the
  // ending asked for ignoring case (here the lower-cased key from its first
  // backslash, or from its middle).
  const CQuestionFilePatterns& patterns = QuestionFilePatterns();
  std::vector<std::string> groups;
  for (const std::string& line : fromFile) {
    const std::string lowerKey = LowerCase(std::string_view(line).substr(0, line.find('\t')));
    CWantedLines wanted;
    wanted.aliasLines = true;
    wanted.keyEnding = lowerKey.substr(std::min(lowerKey.find('\\'), lowerKey.size() / 2));
    if (line.find('\t') != std::string::npos && !IsWantedLine(line, wanted)) __builtin_trap();
    if (patterns.domainAlias.Match(line, groups) && !IsWantedLine(line, wanted)) __builtin_trap();
  }
  if (!fromFile.empty()) {
    CWantedLines wanted;
    wanted.aliasLines = data[0] & 1;
    const std::string lowerKey = LowerCase(std::string_view(fromFile.front()).substr(0, fromFile.front().find('\t')));
    wanted.keyEnding = lowerKey.substr(lowerKey.size() / 2);
    std::vector<std::string> filtered;
    ReadDatabaseLines(path, false, [&](std::string_view line) { filtered.emplace_back(line); }, &wanted);
    std::vector<std::string> expected;
    for (const std::string& line : fromFile) {
      if (IsWantedLine(line, wanted)) expected.push_back(line);
    }
    if (filtered != expected) __builtin_trap();
  }
  aliases.Map(fromFile.empty() ? std::string_view() : std::string_view(fromFile.front()).substr(0, 40), true);
  MappedDomain(path, "DOMAIN");

  // The settings, then lookups of the first word of every line.
  CDatabaseSettings settings;
  settings.LoadDatabaseFile();
  for (const std::string& line : fromFile) {
    const std::string word = line.substr(0, line.find(' '));
    settings.GetDomainController(word.c_str());
    settings.IsPolicyEnforceable(word.c_str());
    settings.FindLdapDirectory(word.c_str());
  }
  return 0;
}
