// CAdsiAccess and the two ADSI operations against the fixture DC (through
// dc_run.sh: an Administrator ticket, dc1.test.lan resolving): the user's
// path by Kerberos and over ldaps with the directory's own account, a
// password set and an account unlocked, one name on two objects, unknown
// and wildcard names, and the directory's refusals as texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "RemoteSvr/adsi_access.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "tests/support/dc_directory.h"
#include "tests/support/dc_test_users.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"

namespace {

class AdsiAccessDcTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(DcSettings().baseDn.empty()) << "run through dc_run.sh"; }

  // A user unique to this run, with this password.
  std::string NewUser(const std::string& prefix, const std::string& password) { return users.New(prefix, password); }

  static std::string Users(const std::string& server) { return "LDAP://" + server + "/CN=Users," + DcSettings().baseDn; }
  static std::string Admin() { return DcSettings().admin + "@" + DcSettings().dnsDomain; }

  // An LDAP_DIRECTORY as the settings would hold it.
  static std::unique_ptr<CLdapDirectory> Directory(const std::string& container, const std::string& attribute,
                                                   const std::string& username = "",
                                                   const std::string& password = "", int useSsl = 0) {
    auto made = std::make_unique<CLdapDirectory>();
    made->name = DcSettings().domain;
    made->container = container;
    made->attribute = attribute;
    made->username = username;
    made->password = password;
    made->useSsl = useSsl;
    return made;
  }

  CDcDirectory directory;
  CPwdResetServer server{0};
  CPwdResetConnection connection{server};

 private:
  CDcTestUsers users{directory};
};

TEST_F(AdsiAccessDcTest, SearchGivesTheUsersPathByKerberosAndOverLdaps) {
  const std::string user = NewUser("adsisearch", "Start-Passw0rd");
  const std::string dn = CDcDirectory::UserDn(user);
  const struct {
    std::string container;
    bool credentials;
  } cases[] = {
      {Users(DcSettings().fqdn), false},     // the service's Kerberos ticket
      {Users(DcSettings().address), true},  // the directory's account over ldaps
      {Users(DcSettings().fqdn), true},
  };
  for (const auto& c : cases) {
    CAdsiAccess access;
    if (c.credentials) access.SetCredentials(Admin().c_str(), DcSettings().adminPassword.c_str(), 1);
    std::vector<std::string> names, values;
    std::string error;
    ASSERT_EQ(access.Search(c.container, "(sAMAccountName=" + user + ")", "ADsPath", names, values, error), 1)
        << c.container << ": " << error;
    const std::string server = c.container.substr(7, c.container.find('/', 7) - 7);
    EXPECT_EQ(names, (std::vector<std::string>{"ADsPath", ""}));
    EXPECT_EQ(values, (std::vector<std::string>{"LDAP://" + server + "/" + dn, ""}));
  }
}

TEST_F(AdsiAccessDcTest, TheDirectorysRefusalsBecomeTheErrorText) {
  const struct {
    std::string container;
    bool credentials;
    int useSsl;
    std::string textStart;
  } cases[] = {
      {"LDAP://" + DcSettings().fqdn + "/CN=NoSuchContainer," + DcSettings().baseDn, false, 0,
       "There is no such object on the server. (LDAP Provider : "},
      // The account's password would cross plain LDAP in the clear (flags
      // 0x20): refused before it is sent.
      {Users(DcSettings().fqdn), true, 0, "This request requires a secure connection."},
      {"LDAPX://" + DcSettings().fqdn + "/CN=Users," + DcSettings().baseDn, false, 0, "E_ADS_BAD_PATHNAME"},
  };
  for (const auto& c : cases) {
    CAdsiAccess access;
    if (c.credentials) access.SetCredentials(Admin().c_str(), DcSettings().adminPassword.c_str(), c.useSsl);
    std::vector<std::string> names, values;
    std::string error;
    EXPECT_EQ(access.Search(c.container, "(sAMAccountName=Administrator)", "ADsPath", names, values, error), 0);
    EXPECT_EQ(error.rfind(c.textStart, 0), 0u) << error;
    EXPECT_EQ(error.find(DcSettings().adminPassword), std::string::npos);
    EXPECT_EQ(error.find_first_of("\r\n\t"), std::string::npos);
  }
}

TEST_F(AdsiAccessDcTest, SetPasswordLdapSetsTheUsersPassword) {
  ScratchFolder logs;
  LogFile().OpenInDirectory(logs.Path(), 0, 1, "VNK-Pellucor", ".txt");
  LogFile().debugLevel = 9;
  const std::string user = NewUser("adsisetpw", "Start-Passw0rd");
  const std::unique_ptr<CLdapDirectory> directories[] = {
      Directory(Users(DcSettings().fqdn), "sAMAccountName"),
      Directory(Users(DcSettings().fqdn), "userPrincipalName", Admin(), DcSettings().adminPassword, 1),
      // A username without a password: the service's own credentials (a
      // bind as this name would fail), and useSsl plays no part.
      Directory(Users(DcSettings().fqdn), "sAMAccountName", "nobody-such", "", 1),
  };
  std::string old = "Start-Passw0rd";
  int round = 0;
  for (const auto& dir : directories) {
    const std::string name = dir->attribute == "userPrincipalName" ? user + "@" + DcSettings().dnsDomain : user;
    const std::string fresh = "Fresh-Passw0rd-" + std::to_string(++round);
    std::string error;
    ASSERT_EQ(connection.SetPasswordLdap(*dir, DcSettings().domain, name, fresh, error), 1) << error;
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, fresh)) << dir->container;
    EXPECT_FALSE(CDcDirectory::CanLogOn(user, old));
    old = fresh;
  }
  LogFile().debugLevel = 0;
  const std::vector<std::string> lines = FileLines(LogFile().Path());
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  EXPECT_NE(all.find("LDAP Username Lookup"), std::string::npos) << all;
  EXPECT_NE(all.find("Username .....: " + user), std::string::npos);
  EXPECT_NE(all.find("Found Path ...: LDAP://" + DcSettings().fqdn + "/" + CDcDirectory::UserDn(user)),
            std::string::npos);
  for (const std::string& secret : {std::string("Fresh-Passw0rd"), DcSettings().adminPassword})
    EXPECT_EQ(all.find(secret), std::string::npos) << "a password in the log";
}

TEST_F(AdsiAccessDcTest, UnlockAccountLdapClearsTheLockOut) {
  const std::string user = NewUser("adsiunlock", "Start-Passw0rd");
  const std::unique_ptr<CLdapDirectory> directories[] = {
      Directory(Users(DcSettings().fqdn), "sAMAccountName"),
      Directory(Users(DcSettings().address), "sAMAccountName", Admin(), DcSettings().adminPassword, 1),
  };
  for (const auto& dir : directories) {
    CDcDirectory::FailLogOns(user);
    ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
    EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
    std::string error;
    ASSERT_EQ(connection.UnlockAccountLdap(*dir, DcSettings().domain, user, error), 1) << error;
    EXPECT_EQ(directory.ReadAccount(user).lockoutTime, 0);
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd")) << dir->container;
  }
}

TEST_F(AdsiAccessDcTest, NamesThatFindNoneOrSeveralChangeNothing) {
  const std::string first = NewUser("adsitwina", "Start-Passw0rd");
  const std::string second = NewUser("adsitwinb", "Start-Passw0rd");
  // Both objects carry the same value of the directory's naming attribute.
  const std::string shared = "adsi-twin-" + std::to_string(getpid());
  ASSERT_TRUE(directory.SetAttribute(first, "description", shared)) << directory.lastError;
  ASSERT_TRUE(directory.SetAttribute(second, "description", shared)) << directory.lastError;
  const auto byDescription = Directory(Users(DcSettings().fqdn), "description");
  const auto byAccount = Directory(Users(DcSettings().fqdn), "sAMAccountName");
  const struct {
    const CLdapDirectory& dir;
    std::string name;
    const char* text;
  } cases[] = {
      {*byDescription, shared, "Could not uniquely identify the supplied username."},
      {*byAccount, "adsi-nobody-" + std::to_string(getpid()), "Could not locate user in LDAP directory."},
      // Filter text in a name is matched as text: it widens nothing.
      {*byAccount, "adsitwin*", "Could not locate user in LDAP directory."},
      {*byAccount, first + ")(sAMAccountName=" + second, "Could not locate user in LDAP directory."},
      {*byDescription, "*", "Could not locate user in LDAP directory."},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(connection.SetPasswordLdap(c.dir, DcSettings().domain, c.name, "Fresh-Passw0rd", error), 0);
    EXPECT_EQ(error, c.text) << c.name;
    error.clear();
    EXPECT_EQ(connection.UnlockAccountLdap(c.dir, DcSettings().domain, c.name, error), 0);
    EXPECT_EQ(error, c.text) << c.name;
  }
  EXPECT_TRUE(CDcDirectory::CanLogOn(first, "Start-Passw0rd"));
  EXPECT_TRUE(CDcDirectory::CanLogOn(second, "Start-Passw0rd"));
}

TEST_F(AdsiAccessDcTest, ModifyOpensAPathWithoutPrefixOnTheLocalController) {
  const std::string user = NewUser("adsimodify", "Start-Passw0rd");
  CAdsiAccess access;
  access.SetCredentials(Admin().c_str(), DcSettings().adminPassword.c_str(), 1);
  std::string error;
  // No prefix and no server: "LDAP://" + the DN, to the registry's
  // LocalDomainController.
  ASSERT_EQ(access.Modify(CDcDirectory::UserDn(user), {"description", "lockoutTime"}, {"changed", "0"},
                          {"UPDATE", "Update"}, error),
            1)
      << error;
  EXPECT_EQ(access.Modify(CDcDirectory::UserDn(user), {"description"}, {"x"}, {"append"}, error), 0);
  EXPECT_EQ(error, "E_ADS_BAD_PARAMETER");
  // A later entry the directory refuses leaves the earlier one written.
  error.clear();
  EXPECT_EQ(access.Modify(CDcDirectory::UserDn(user), {"description", "noSuchAttributeOfOurs"}, {"second", "x"},
                          {"update", "update"}, error),
            0);
  EXPECT_NE(error, "");
  CAdsiAccess reader;
  std::vector<std::string> names, values;
  ASSERT_EQ(reader.Search(Users(DcSettings().fqdn), "(sAMAccountName=" + user + ")", "description", names, values,
                          error),
            1)
      << error;
  EXPECT_EQ(values, (std::vector<std::string>{"second", ""}));
}

}  // namespace
