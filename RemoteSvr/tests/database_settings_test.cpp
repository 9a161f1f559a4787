// The settings read from the question file at start-up, and the local
// domain controller that the directory locator names.
#include "RemoteSvr/database_settings.h"

#include <gtest/gtest.h>

#include "RemoteSvr/log_file.h"
#include "tests/support/service_fixture.h"
#include "platform/netapi/netapi.h"
#include "platform/netapi/netapi_backend.h"
#include "platform/base/text.h"

namespace {

// The locator's answer for the computer's own domain, as a DC would give it.
class CLocatorBackend : public INetApiBackend {
 public:
  DWORD UserGetGroups(const std::string&, const std::string&, std::vector<std::string>&) override { return 50; }
  DWORD UserGetLocalGroups(const std::string&, const std::string&, bool, std::vector<std::string>&) override {
    return 50;
  }
  DWORD GetDcName(const std::string& server, const std::string& domain, DWORD flags,
                  CDomainControllerInfo& info) override {
    askedServer = server;
    askedDomain = domain;
    askedFlags = flags;
    if (fail) return ERROR_NO_SUCH_DOMAIN;
    info.controllerName = "\\\\dc1.corp.example.org";
    info.controllerAddress = "\\\\127.0.0.1";
    info.addressType = DS_INET_ADDRESS;
    info.domainName = "corp.example.org";
    info.forestName = "corp.example.org";
    info.domainGuid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    return 0;
  }
  bool fail = false;
  std::string askedServer, askedDomain;
  DWORD askedFlags = 0;
};

class DatabaseSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFile().OpenInDirectory(files.Folder(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
    SetNetApiBackend(&locator);
    locator.fail = true;
  }
  void TearDown() override {
    SetNetApiBackend(nullptr);
    LogFile().debugLevel = 0;
    LogFile().OpenInDirectory("", 0, 0, "VNK-Pellucor", ".txt");
  }

  CDatabaseSettings& Load(const std::string& text) {
    files.WriteQuestionFile(text);
    settings.Initialise();
    return settings;
  }

  static std::string Controller(const CDatabaseSettings& s, const char* domain) {
    const std::u16string* name = s.GetDomainController(domain);
    return name == nullptr ? "<none>" : Utf16ToUtf8(*name);
  }

  CServiceFiles files;
  CLocatorBackend locator;
  CDatabaseSettings settings;
};

TEST_F(DatabaseSettingsTest, NumbersAndControllers) {
  const CDatabaseSettings& s = Load(
      "MINIMUM_QUESTIONS 3\n"
      "MINIMUM_QUESTIONS 0\n"  // 0 changes nothing
      "ANSWER_QUESTIONS 0\n"
      "MAXIMUM_ATTEMPTS 0\n"  // 0 is a limit
      "maximum_attempts 7\n"  // keywords are case-sensitive
      "  DOMAIN_CONTROLLER\tCorp   dc1.corp  \r\n"
      "DOMAIN_CONTROLLER CORP dc2.corp\n"  // a later line replaces
      "DOMAIN_CONTROLLER other dc9 extra\n"
      "corp\\alice\tMINIMUM_QUESTIONS 9\tx\n");
  EXPECT_EQ(s.DatabasePath(), files.QuestionFilePath());
  EXPECT_EQ(s.MinimumQuestions(), 3);
  EXPECT_EQ(s.AnswerQuestions(), 0);
  EXPECT_EQ(s.MaximumAttempts(), 0);
  EXPECT_EQ(Controller(s, "corp"), "dc2.corp");
  EXPECT_EQ(Controller(s, "OTHER"), "<none>");
  EXPECT_EQ(Controller(s, nullptr), "<none>");
  EXPECT_EQ(s.IsPolicyEnforceable("CORP"), 0);  // the LDAP client cannot tell yet
  EXPECT_EQ(s.DomainControllerCount(), 1u);

  // Read once: a changed file counts only after the next Initialise.
  files.WriteQuestionFile("MAXIMUM_ATTEMPTS 9\n");
  EXPECT_EQ(s.MaximumAttempts(), 0);
}

TEST_F(DatabaseSettingsTest, LdapDirectoryLines) {
  const CDatabaseSettings& s = Load(
      "LDAP_DIRECTORY ONE ldaps://ldap.one/o=x \"cn=agent one\" \"pa ss\"\n"
      "LDAP_DIRECTORY \"Two Dir\" LDAP://ldap.two/o=y sAMAccountName agent secret\n"
      "LDAP_DIRECTORY three LDAP://ldap.three/o=z uid\n"
      "LDAP_DIRECTORY four LDAP://ldap.four \"\" user pass\n"
      "LDAP_DIRECTORY five \"abc LDAP://five\n");
  const CLdapDirectory* one = s.FindLdapDirectory("one");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->name, "ONE");
  EXPECT_EQ(one->container, "LDAP://ldap.one/o=x");
  EXPECT_EQ(one->useSsl, 1);
  EXPECT_EQ(one->attribute, "userPrincipalName");
  EXPECT_EQ(one->username, "cn=agent one");
  EXPECT_EQ(one->password, "pa ss");

  const CLdapDirectory* two = s.FindLdapDirectory("TWO DIR");
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->name, "Two Dir");
  EXPECT_EQ(two->useSsl, 0);
  EXPECT_EQ(two->attribute, "sAMAccountName");
  EXPECT_EQ(two->username, "agent");
  EXPECT_EQ(two->password, "secret");

  const CLdapDirectory* three = s.FindLdapDirectory("Three");
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->attribute, "uid");
  EXPECT_EQ(three->username, "");

  // An empty quoted first word counts as absent: nothing further is used.
  const CLdapDirectory* four = s.FindLdapDirectory("four");
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(four->attribute, "userPrincipalName");
  EXPECT_EQ(four->username, "");

  // A word that opens a quote but is a plain run loses its first and last byte.
  const CLdapDirectory* five = s.FindLdapDirectory("five");
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->container, "ab");
  EXPECT_EQ(s.FindLdapDirectory("six"), nullptr);
  EXPECT_EQ(s.FindLdapDirectory(nullptr), nullptr);

  const std::string log = files.LogText();
  EXPECT_NE(log.find("TRACE (7) :     Password ....: <set>"), std::string::npos);
  EXPECT_NE(log.find("TRACE (7) :     Username ....: <use Windows authentication>"), std::string::npos);
  EXPECT_EQ(log.find("pa ss"), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);
}

TEST_F(DatabaseSettingsTest, LocalControllerUnderItsWholeNameAndFirstLabel) {
  locator.fail = false;
  const CDatabaseSettings& s = Load("DOMAIN_CONTROLLER corp dc7.corp\n");
  EXPECT_EQ(locator.askedServer, "");
  EXPECT_EQ(locator.askedDomain, "");
  EXPECT_EQ(locator.askedFlags, DS_WRITABLE_REQUIRED);
  EXPECT_EQ(Controller(s, "Corp.Example.Org"), "dc1.corp.example.org");
  // The file's line for the local domain's short name replaces that entry.
  EXPECT_EQ(Controller(s, "CORP"), "dc7.corp");
  EXPECT_EQ(s.DomainControllerCount(), 2u);
  const std::string log = files.LogText();
  EXPECT_NE(log.find("TRACE (7) :     Domain ............: corp.example.org"), std::string::npos);
  EXPECT_NE(log.find("TRACE (7) :     Domain ............: corp\n"), std::string::npos);
  EXPECT_NE(log.find("TRACE (7) :     Password policy ...: Not enforceable / unknown"), std::string::npos);
  EXPECT_NE(log.find("TRACE (7) :     Entries ...: 2"), std::string::npos);
}

TEST(DsGetDcName, PacksTheLocatorsAnswerIntoOneBuffer) {
  const CServiceFiles files;  // a registry file without LocalDomainController
  CLocatorBackend locator;
  SetNetApiBackend(&locator);
  PDOMAIN_CONTROLLER_INFOA info = nullptr;
  ASSERT_EQ(DsGetDcNameA(nullptr, "corp.example.org", nullptr, nullptr, DS_WRITABLE_REQUIRED, &info), 0u);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(locator.askedDomain, "corp.example.org");
  EXPECT_STREQ(info->DomainControllerName, "\\\\dc1.corp.example.org");
  EXPECT_STREQ(info->DomainControllerAddress, "\\\\127.0.0.1");
  EXPECT_EQ(info->DomainControllerAddressType, DS_INET_ADDRESS);
  EXPECT_STREQ(info->DomainName, "corp.example.org");
  EXPECT_STREQ(info->DcSiteName, "");
  EXPECT_EQ(info->DomainGuid.Data1, 0x04030201u);
  EXPECT_EQ(info->DomainGuid.Data2, 0x0605u);
  EXPECT_EQ(info->DomainGuid.Data4[7], 16u);
  NetApiBufferFree(info);

  locator.fail = true;
  info = reinterpret_cast<PDOMAIN_CONTROLLER_INFOA>(&locator);
  EXPECT_EQ(DsGetDcNameA(nullptr, nullptr, nullptr, nullptr, 0, &info), ERROR_NO_SUCH_DOMAIN);
  EXPECT_EQ(info, nullptr);
  SetNetApiBackend(nullptr);
  // The libnetapi backend with nobody to ask: no domain, no controller set.
  EXPECT_EQ(DsGetDcNameA(nullptr, nullptr, nullptr, nullptr, DS_WRITABLE_REQUIRED, &info), ERROR_NO_SUCH_DOMAIN);
}

TEST_F(DatabaseSettingsTest, NoDatabasePath) {
  files.WriteRegistry(false);
  const CDatabaseSettings& s = Load("MAXIMUM_ATTEMPTS 3\n");
  EXPECT_EQ(s.DatabasePath(), "");
  EXPECT_EQ(s.MaximumAttempts(), -1);
  EXPECT_NE(files.LogText().find("TRACE (7) : Database file not found"), std::string::npos);
}

}  // namespace
