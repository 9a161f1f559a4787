// The six patterns that the service reads its question file with, end to end
// through CPattern: the settings lines, the alias lines, and the question and
// lock lines that all of them must reject.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/pattern.h"

namespace {

using Groups = std::vector<std::string>;

const char kDomainController[] = "^\\s*DOMAIN_CONTROLLER\\s+(\\S+)\\s+(\\S+)\\s*$";
const char kMinimumQuestions[] = "^\\s*MINIMUM_QUESTIONS\\s+(\\d+)\\s*$";
const char kAnswerQuestions[] = "^\\s*ANSWER_QUESTIONS\\s+(\\d+)\\s*$";
const char kMaximumAttempts[] = "^\\s*MAXIMUM_ATTEMPTS\\s+(\\d+)\\s*$";
const char kLdapDirectory[] =
    "^\\s*LDAP_DIRECTORY\\s+(\"[^\"]*\"|\\S+)\\s+(\"[^\"]*\"|\\S+)(\\s+(\"[^\"]*\"|\\S+))?"
    "(\\s+(\"[^\"]*\"|\\S+))?(\\s+(\"[^\"]*\"|\\S+))?\\s*$";
const char kDomainAlias[] = "^\\s*DOMAIN_ALIAS\\s+(\\S+)\\s+(\\S+)\\s*$";

Groups MatchLine(const char* pattern, const std::string& line) {
  const CPattern compiled(pattern, 1);
  Groups groups;
  if (!compiled.Match(line, groups)) return {"no match"};
  return groups;
}

TEST(SettingsPatternsTest, KeywordLines) {
  const struct {
    const char* pattern;
    std::string line;
    Groups groups;
  } cases[] = {
      {kDomainController, "DOMAIN_CONTROLLER CORP dc1.corp.example",
       {"DOMAIN_CONTROLLER CORP dc1.corp.example", "CORP", "dc1.corp.example"}},
      {kDomainController, "  DOMAIN_CONTROLLER\tCORP   dc1  \t",
       {"  DOMAIN_CONTROLLER\tCORP   dc1  \t", "CORP", "dc1"}},
      {kDomainController, "DOMAIN_CONTROLLER CORP", {"no match"}},
      {kDomainController, "DOMAIN_CONTROLLER CORP dc1 extra", {"no match"}},
      {kDomainController, "domain_controller CORP dc1", {"no match"}},  // keywords are case-sensitive
      {kMinimumQuestions, "MINIMUM_QUESTIONS 3", {"MINIMUM_QUESTIONS 3", "3"}},
      {kMinimumQuestions, "MINIMUM_QUESTIONS 0", {"MINIMUM_QUESTIONS 0", "0"}},
      {kMinimumQuestions, "MINIMUM_QUESTIONS 3x", {"no match"}},
      {kMinimumQuestions, "MINIMUM_QUESTIONS3", {"no match"}},
      {kMinimumQuestions, "# MINIMUM_QUESTIONS 3", {"no match"}},
      {kAnswerQuestions, " ANSWER_QUESTIONS 12 ", {" ANSWER_QUESTIONS 12 ", "12"}},
      {kAnswerQuestions, "ANSWER_QUESTIONS -1", {"no match"}},
      {kMaximumAttempts, "MAXIMUM_ATTEMPTS 5", {"MAXIMUM_ATTEMPTS 5", "5"}},
      {kMaximumAttempts, "MAXIMUM_ATTEMPTS 5\r", {"MAXIMUM_ATTEMPTS 5\r", "5"}},
      {kDomainAlias, "DOMAIN_ALIAS corp.example CORP",
       {"DOMAIN_ALIAS corp.example CORP", "corp.example", "CORP"}},
      {kDomainAlias, "DOMAIN_ALIAS corp.example", {"no match"}},
      {kDomainAlias, "DOMAIN_ALIASES a b", {"no match"}},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchLine(c.pattern, c.line), c.groups) << c.line;
}

TEST(SettingsPatternsTest, LdapDirectoryGroups) {
  // Groups 1 and 2 are the required words, 3, 5 and 7 the optional parts
  // (with their blanks), 4, 6 and 8 their words; always eight groups.
  const struct {
    std::string line;
    Groups groups;
  } cases[] = {
      {"LDAP_DIRECTORY CORP LDAP://dc1/DC=corp",
       {"LDAP_DIRECTORY CORP LDAP://dc1/DC=corp", "CORP", "LDAP://dc1/DC=corp", "", "", "", "", "",
        ""}},
      {"LDAP_DIRECTORY \"Corp Users\" \"LDAPS://dc1/OU=A B,DC=corp\" sAMAccountName",
       {"LDAP_DIRECTORY \"Corp Users\" \"LDAPS://dc1/OU=A B,DC=corp\" sAMAccountName",
        "\"Corp Users\"", "\"LDAPS://dc1/OU=A B,DC=corp\"", " sAMAccountName", "sAMAccountName", "",
        "", "", ""}},
      {"LDAP_DIRECTORY CORP ldaps://dc1 \"svc reset\" \"p w\"",
       {"LDAP_DIRECTORY CORP ldaps://dc1 \"svc reset\" \"p w\"", "CORP", "ldaps://dc1",
        " \"svc reset\"", "\"svc reset\"", " \"p w\"", "\"p w\"", "", ""}},
      {"  LDAP_DIRECTORY\tCORP LDAP://dc1 uid admin \"\"  ",
       {"  LDAP_DIRECTORY\tCORP LDAP://dc1 uid admin \"\"  ", "CORP", "LDAP://dc1", " uid", "uid",
        " admin", "admin", " \"\"", "\"\""}},
      // A word that opens a quote but never closes it is a plain run.
      {"LDAP_DIRECTORY \"CORP LDAP://dc1",
       {"LDAP_DIRECTORY \"CORP LDAP://dc1", "\"CORP", "LDAP://dc1", "", "", "", "", "", ""}},
      // A quoted text directly followed by more characters is one plain word.
      {"LDAP_DIRECTORY \"a\"b c", {"LDAP_DIRECTORY \"a\"b c", "\"a\"b", "c", "", "", "", "", "", ""}},
      {"LDAP_DIRECTORY CORP", {"no match"}},
      {"LDAP_DIRECTORY a b c d e f", {"no match"}},  // six words
      {"LDAP_DIRECTORY \"a b\"", {"LDAP_DIRECTORY \"a b\"", "\"a", "b\"", "", "", "", "", "", ""}},
      {"LDAP_DIRECTORY \"a b c\"", {"LDAP_DIRECTORY \"a b c\"", "\"a", "b", " c\"", "c\"", "", "", "", ""}},
      {"LDAP_DIRECTORY \"ab\"", {"no match"}},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchLine(kLdapDirectory, c.line), c.groups) << c.line;
}

TEST(SettingsPatternsTest, QuestionAndLockLinesFitNoPattern) {
  const char* patterns[] = {kDomainController, kMinimumQuestions, kAnswerQuestions,
                            kMaximumAttempts,  kLdapDirectory,    kDomainAlias};
  const std::string lines[] = {
      "CORP\\jsmith\tWhat is your pet's name?\tRex\tdog",
      "CORP\\jsmith\t{{LOCKED}} # 3 failed attempts at Mon Jan  1 00:00:00 2024",
      "CORP\\MINIMUM_QUESTIONS 3\tq\ta",
      "",
      "   ",
  };
  for (const char* pattern : patterns) {
    const CPattern compiled(pattern, 1);
    Groups groups;
    for (const std::string& line : lines) EXPECT_EQ(compiled.Match(line, groups), 0) << line;
  }
}

}  // namespace
