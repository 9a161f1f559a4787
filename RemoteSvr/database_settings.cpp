// Reading the settings: the local domain controller from the directory
// locator, then the settings lines of the question file.
#include "RemoteSvr/database_settings.h"

#include <vector>

#include "RemoteSvr/ldap_password_client.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/question_file.h"
#include "platform/netapi/netapi.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

constexpr std::int32_t kSettingsTraceLevel = 7;
constexpr char kNamingAttribute[] = "sAMAccountName";

// Map keys: the one case folding of platform/base/text.h.
std::string FoldKey(std::string_view name) { return LowerCase(name); }

std::int32_t AskPolicyHints(const std::string& controller) {
  CLdapPasswordClient client(controller, kNamingAttribute);
  return client.SupportsPolicyHints();
}

void TraceControllerBlock(const char* heading, const char* underline, const std::string& domain,
                          const std::string& controller, std::int32_t enforceable) {
  CLogFile& log = LogFile();
  log.Trace(kSettingsTraceLevel, "%s", heading);
  log.Trace(kSettingsTraceLevel, "%s", underline);
  log.Trace(kSettingsTraceLevel, "    Domain ............: %s", domain.c_str());
  log.Trace(kSettingsTraceLevel, "    DC name ...........: %s", controller.c_str());
  log.Trace(kSettingsTraceLevel, "    Password policy ...: %s", enforceable ? "Enforceable" : "Not enforceable / unknown");
  log.Trace(kSettingsTraceLevel, "%s", "");
}

}  // namespace

CLdapDirectory::~CLdapDirectory() { WipeString(password); }

CDatabaseSettings& CDatabaseSettings::Instance() {
  // Never destroyed: connection threads may still read it while the process exits.
  static CDatabaseSettings* const settings = new CDatabaseSettings;
  return *settings;
}

void CDatabaseSettings::Reset() {
  dcMap.clear();
  ldapDirectoryMap.clear();
  enforceableMap.clear();
  databasePath.clear();
  minimumQuestions = 0;
  answerQuestions = 0;
  maximumAttempts = -1;
}

void CDatabaseSettings::Initialise() {
  Reset();
  FindLocalDomainController();
  LoadDatabaseFile();
  CLogFile& log = LogFile();
  log.Trace(kSettingsTraceLevel, "DC map loaded");
  log.Trace(kSettingsTraceLevel, "-------------");
  log.Trace(kSettingsTraceLevel, "    Entries ...: %d", static_cast<int>(dcMap.size()));
  log.Trace(kSettingsTraceLevel, "%s", "");
  if (minimumQuestions > 0) {
    log.Trace(kSettingsTraceLevel, "Minimum question count set");
    log.Trace(kSettingsTraceLevel, "--------------------------");
    log.Trace(kSettingsTraceLevel, "    Questions ...: %d", minimumQuestions);
    log.Trace(kSettingsTraceLevel, "%s", "");
  }
  if (maximumAttempts >= 0) {
    log.Trace(kSettingsTraceLevel, "Maximum failed attempt count set");
    log.Trace(kSettingsTraceLevel, "--------------------------------");
    log.Trace(kSettingsTraceLevel, "    Attempts ...: %d", maximumAttempts);
    log.Trace(kSettingsTraceLevel, "%s", "");
  }
}

void CDatabaseSettings::FindLocalDomainController() {
  PDOMAIN_CONTROLLER_INFOA info = nullptr;
  if (DsGetDcNameA(nullptr, nullptr, nullptr, nullptr, DS_WRITABLE_REQUIRED, &info) != NERR_Success ||
      info == nullptr) {
    if (info != nullptr) NetApiBufferFree(info);
    return;
  }
  std::string controller = info->DomainControllerName != nullptr ? info->DomainControllerName : "";
  if (controller.rfind("\\\\", 0) == 0) controller.erase(0, 2);
  std::string domain = info->DomainName != nullptr ? info->DomainName : "";
  NetApiBufferFree(info);

  const std::int32_t enforceable = AskPolicyHints(controller);
  TraceControllerBlock("Local domain controller", "-----------------------", domain, controller, enforceable);
  AddDomainController(domain, controller, enforceable);
  const std::size_t dot = domain.find('.');
  if (dot != std::string::npos) {
    domain.erase(dot);
    TraceControllerBlock("Local domain controller", "-----------------------", domain, controller, enforceable);
    AddDomainController(domain, controller, enforceable);
  }
}

void CDatabaseSettings::AddDomainController(std::string_view domain, std::string_view controller,
                                            std::int32_t enforceable) {
  const std::string key = FoldKey(domain);
  dcMap[key] = Utf8ToUtf16(controller);
  enforceableMap[key] = enforceable;
}

void CDatabaseSettings::LoadDatabaseFile() {
  CLogFile& log = LogFile();
  const std::string directory = ReadDatabaseDirectory();
  if (directory.empty()) {
    log.Trace(kSettingsTraceLevel, "Database file not found");
    return;
  }
  databasePath = DatabaseFilePath(directory);
  log.Trace(kSettingsTraceLevel, "Database file: %s", databasePath.c_str());
  log.Trace(kSettingsTraceLevel, "%s", "");
  // Every line is read (and traced) first, then the settings lines are
  // tested; only lines that may hold a keyword (each has a "_") are kept.
  std::vector<std::string> lines;
  ReadDatabaseLines(databasePath, true, [&](std::string_view line) {
    if (line.find('_') != std::string_view::npos) lines.emplace_back(line);
  });

  const CQuestionFilePatterns& patterns = QuestionFilePatterns();
  std::vector<std::string> groups;
  for (std::string& line : lines) {
    if (patterns.domainController.Match(line, groups)) {
      const std::int32_t enforceable = AskPolicyHints(groups[2]);
      TraceControllerBlock("Defined domain controller", "-------------------------", groups[1], groups[2],
                           enforceable);
      AddDomainController(groups[1], groups[2], enforceable);
    } else if (patterns.minimumQuestions.Match(line, groups)) {
      const std::int32_t value = SettingsNumber(groups[1]);
      if (value > 0) minimumQuestions = value;
    } else if (patterns.answerQuestions.Match(line, groups)) {
      const std::int32_t value = SettingsNumber(groups[1]);
      if (value > 0) answerQuestions = value;
    } else if (patterns.maximumAttempts.Match(line, groups)) {
      maximumAttempts = SettingsNumber(groups[1]);
    } else if (patterns.ldapDirectory.Match(line, groups)) {
      const std::string words[5] = {groups[1], groups[2], groups[4], groups[6], groups[8]};
      AddLdapDirectory(words);
    }
    for (std::string& group : groups) WipeString(group);
    WipeString(line);
  }
}

void CDatabaseSettings::AddLdapDirectory(const std::string* words) {
  auto directory = std::make_unique<CLdapDirectory>();
  directory->name = StripQuotes(words[0]);
  directory->container = StripQuotes(words[1]);
  std::string further[3] = {StripQuotes(words[2]), StripQuotes(words[3]), StripQuotes(words[4])};
  directory->attribute = "userPrincipalName";
  if (!further[0].empty()) {
    if (!further[1].empty() && !further[2].empty()) {
      directory->attribute = further[0];
      directory->username = further[1];
      directory->password = further[2];
    } else if (!further[1].empty()) {
      directory->username = further[0];
      directory->password = further[1];
    } else {
      directory->attribute = further[0];
    }
  }
  for (std::string& word : further) WipeString(word);
  if (directory->container.size() >= 8 && SameTextIgnoringCase(directory->container.substr(0, 8), "LDAPS://")) {
    directory->useSsl = 1;
    directory->container.replace(0, 8, "LDAP://");
  }

  CLogFile& log = LogFile();
  log.Trace(kSettingsTraceLevel, "Defined LDAP directory");
  log.Trace(kSettingsTraceLevel, "----------------------");
  log.Trace(kSettingsTraceLevel, "    Name ........: %s", directory->name.c_str());
  log.Trace(kSettingsTraceLevel, "    Container ...: %s", directory->container.c_str());
  log.Trace(kSettingsTraceLevel, "    Uses SSL ....: %s", directory->useSsl ? "Yes" : "No");
  log.Trace(kSettingsTraceLevel, "    Attribute ...: %s", directory->attribute.c_str());
  log.Trace(kSettingsTraceLevel, "    Username ....: %s",
            directory->username.empty() ? "<use Windows authentication>" : directory->username.c_str());
  log.Trace(kSettingsTraceLevel, "    Password ....: %s", directory->password.empty() ? "<not set>" : "<set>");
  log.Trace(kSettingsTraceLevel, "%s", "");

  const std::string key = FoldKey(directory->name);
  ldapDirectoryMap[key] = std::move(directory);
}

const std::u16string* CDatabaseSettings::GetDomainController(const char* domain) const {
  if (domain == nullptr) return nullptr;
  const auto found = dcMap.find(FoldKey(domain));
  return found == dcMap.end() ? nullptr : &found->second;
}

std::int32_t CDatabaseSettings::IsPolicyEnforceable(const char* domain) const {
  if (domain == nullptr) return 0;
  const auto found = enforceableMap.find(FoldKey(domain));
  return found == enforceableMap.end() ? 0 : found->second;
}

const CLdapDirectory* CDatabaseSettings::FindLdapDirectory(const char* name) const {
  if (name == nullptr) return nullptr;
  const auto found = ldapDirectoryMap.find(FoldKey(name));
  return found == ldapDirectoryMap.end() ? nullptr : found->second.get();
}

std::string CDatabaseSettings::StripQuotes(std::string_view word) {
  if (!word.empty() && word.front() == '"') {
    // A lone quote has no last character left to drop.
    return word.size() >= 2 ? std::string(word.substr(1, word.size() - 2)) : std::string();
  }
  return std::string(word);
}
