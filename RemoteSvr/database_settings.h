// The service's settings from the question database file "Pellucor.txt":
// domain controllers (with whether each takes the password-policy control),
// LDAP directories, question counts and the lockout limit. Filled once at
// start-up by CDatabaseSettings::Initialise, read without a lock afterwards
// by every connection thread. The file's line kinds are question_file.h.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

// One LDAP_DIRECTORY line: where and how the ADSI operations reach the
// directory that serves a domain.
struct CLdapDirectory {
  std::string name;       // as written, quotes removed
  std::string container;  // an "LDAP://" URL ("LDAPS://" became useSsl)
  std::string attribute;  // the naming attribute that holds the user name
  std::string username;   // empty: bind with the service's own credentials
  std::string password;   // never logged; wiped when the directory goes
  std::int32_t useSsl = 0;
  CLdapDirectory() = default;
  CLdapDirectory(const CLdapDirectory&) = delete;
  CLdapDirectory& operator=(const CLdapDirectory&) = delete;
  ~CLdapDirectory();
};

class CDatabaseSettings {
 public:
  CDatabaseSettings() = default;
  CDatabaseSettings(const CDatabaseSettings&) = delete;
  CDatabaseSettings& operator=(const CDatabaseSettings&) = delete;

  // The process's settings.
  static CDatabaseSettings& Instance();

  // FindLocalDomainController, then LoadDatabaseFile, then the summary trace
  // (level 7). Starts from the defaults, so a second call (tests, between
  // servers) reads everything afresh; never call it while connections run.
  void Initialise();

  // The computer's own domain from the directory locator, entered under its
  // whole name and its first label.
  void FindLocalDomainController();
  // DatabasePath, the file's path and its settings lines.
  void LoadDatabaseFile();

  // The domain controller defined for `domain` (ignoring case), or nullptr
  // when there is none or `domain` is null. Lives as long as the settings.
  const std::u16string* GetDomainController(const char* domain) const;
  // Nonzero when the domain's controller takes the password-policy control.
  std::int32_t IsPolicyEnforceable(const char* domain) const;
  // The LDAP_DIRECTORY defined under `name` (ignoring case), or nullptr.
  const CLdapDirectory* FindLdapDirectory(const char* name) const;

  // The word without its first and last character when it begins with a
  // double quote, else the word as it stands.
  static std::string StripQuotes(std::string_view word);

  // The full path of the question file found at start-up; empty: none.
  const std::string& DatabasePath() const { return databasePath; }
  std::int32_t MinimumQuestions() const { return minimumQuestions; }  // 0: no minimum
  std::int32_t AnswerQuestions() const { return answerQuestions; }    // 0: five
  std::int32_t MaximumAttempts() const { return maximumAttempts; }    // negative: lockout off
  std::size_t DomainControllerCount() const { return dcMap.size(); }

 private:
  void Reset();
  // Enters one domain in dcMap and enforceableMap.
  void AddDomainController(std::string_view domain, std::string_view controller, std::int32_t enforceable);
  void AddLdapDirectory(const std::string* words);

  // Keys are case-folded domain or directory names, compared exactly.
  std::map<std::string, std::u16string> dcMap;
  std::map<std::string, std::unique_ptr<CLdapDirectory>> ldapDirectoryMap;
  std::map<std::string, std::int32_t> enforceableMap;
  std::string databasePath;
  std::int32_t minimumQuestions = 0;
  std::int32_t answerQuestions = 0;
  std::int32_t maximumAttempts = -1;
};
