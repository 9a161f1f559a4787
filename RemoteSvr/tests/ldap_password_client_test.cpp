// The LDAP password client at the LDAP layer's seam: a recorded directory
// answers the root DSE with chosen supportedControl values and the user
// search with chosen entries, which the fixture DC cannot (it lists neither
// policy-hints control). What goes out (bind, filter, unicodePwd bytes,
// control) and every message text are checked here.
#include "RemoteSvr/ldap_password_client.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ldap/ldap_limits.h"
#include "platform/ldap/tests/recording_ldap_backend.h"

namespace {

constexpr char kOid2066[] = "1.2.840.113556.1.4.2066";
constexpr char kOid2239[] = "1.2.840.113556.1.4.2239";

// The protected steps, for tests that drive one alone.
class CClientSteps : public CLdapPasswordClient {
 public:
  using CLdapPasswordClient::CLdapPasswordClient;
  using CLdapPasswordClient::Connect;
  using CLdapPasswordClient::SetUnicodePwd;
};

class LdapPasswordClientTest : public ::testing::Test {
 protected:
  const CRecordingLdapBackend::CModify& OnlyModify() {
    EXPECT_EQ(backend.modifies.size(), 1u);
    if (backend.modifies.empty()) backend.modifies.emplace_back();
    return backend.modifies.front();
  }

  std::string Text(ULONG code) { return ldap_err2stringA(code); }

  CRecordingLdapBackend backend;
  CLdapBackendInForce inForce{backend};
  CLdapPasswordClient client{"dc1.corp.example", "sAMAccountName"};
};

TEST_F(LdapPasswordClientTest, ControlSentIsTheHighestListedOne) {
  struct Case {
    std::vector<std::string> supportedControl;
    const char* oidSent;  // null: no control
  } const cases[] = {
      {{"1.2.840.113556.1.4.319", kOid2066, kOid2239}, kOid2239},
      {{kOid2239, kOid2066}, kOid2239},
      {{kOid2066}, kOid2066},
      {{kOid2239}, kOid2239},
      {{"1.2.840.113556.1.4.319", "1.2.840.113556.1.4.20660"}, nullptr},
      {{}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.oidSent != nullptr ? c.oidSent : "none");
    backend.supportedControl = c.supportedControl;
    backend.modifies.clear();
    CLdapPasswordClient reset("dc1.corp.example", "sAMAccountName");
    ASSERT_EQ(reset.ResetPassword("alice", "abc"), 1) << reset.errorText;
    EXPECT_EQ(reset.errorText, "");
    const CRecordingLdapBackend::CModify& sent = OnlyModify();
    if (c.oidSent == nullptr) {
      EXPECT_TRUE(sent.controls.empty());
    } else {
      ASSERT_EQ(sent.controls.size(), 1u);
      EXPECT_EQ(sent.controls[0].oid, c.oidSent);
      EXPECT_EQ(sent.controls[0].value, std::string("\x30\x03\x80\x01\x01", 5));
      EXPECT_TRUE(sent.controls[0].critical);
    }
    CLdapPasswordClient check("dc1.corp.example", "sAMAccountName");
    EXPECT_EQ(check.SupportsPolicyHints(), c.oidSent != nullptr ? 1 : 0);
    EXPECT_EQ(check.errorText, "");
  }
  // Every connection was closed, once.
  EXPECT_EQ(backend.closes, static_cast<int>(backend.opens.size()));
}

TEST_F(LdapPasswordClientTest, ConnectionIsSealedAndBoundWithTheServicesCredentials) {
  ASSERT_EQ(client.ResetPassword("alice", "abc"), 1) << client.errorText;
  ASSERT_EQ(backend.opens.size(), 1u);
  EXPECT_EQ(backend.opens[0], (std::pair<std::string, std::uint32_t>("dc1.corp.example", 389)));
  EXPECT_EQ(backend.connectTimeouts, std::vector<long>{-1});  // the layer's own connect time-out
  EXPECT_EQ(backend.bindSsfs, std::vector<unsigned>{kLdapSealedSsf});
  ASSERT_EQ(backend.searches.size(), 2u);
  EXPECT_EQ(backend.searches[0].base, "");
  EXPECT_EQ(backend.searches[0].scope, LDAP_SCOPE_BASE);
  EXPECT_EQ(backend.searches[0].attributes, (std::vector<std::string>{"defaultNamingContext", "supportedControl"}));
  EXPECT_EQ(backend.searches[1].base, "DC=corp,DC=example");
  EXPECT_EQ(backend.searches[1].scope, LDAP_SCOPE_SUBTREE);
  EXPECT_EQ(backend.searches[1].filter, "(sAMAccountName=alice)");
  EXPECT_EQ(backend.searches[1].attributes, std::vector<std::string>{"distinguishedName"});
  const CRecordingLdapBackend::CModify& sent = OnlyModify();
  EXPECT_EQ(sent.dn, "CN=Alice,CN=Users,DC=corp,DC=example");
  EXPECT_EQ(backend.closes, 1);
}

TEST_F(LdapPasswordClientTest, UnicodePwdIsTheQuotedPasswordAsLittleEndianUtf16) {
  using namespace std::string_literals;
  struct Case {
    std::string password;
    std::string bytes;
  } const cases[] = {
      {"abc", "\x22\0a\0b\0c\0\x22\0"s},
      // A byte that is not valid UTF-8 is the code unit of the same value.
      {"\x80", "\x22\0\x80\0\x22\0"s},
      {"a\xff", "\x22\0a\0\xff\0\x22\0"s},
      // UTF-8 text is one code unit per character, as on the network-user path.
      {"\xc3\xa9", "\x22\0\xe9\0\x22\0"s},
      {"\xe2\x82\xac", "\x22\0\xac\x20\x22\0"s},
      {"", "\x22\0\x22\0"s},
  };
  for (const Case& c : cases) {
    backend.modifies.clear();
    ASSERT_EQ(client.ResetPassword("alice", c.password), 1) << client.errorText;
    const CRecordingLdapBackend::CModify& sent = OnlyModify();
    ASSERT_EQ(sent.modifications.size(), 1u);
    EXPECT_EQ(sent.modifications[0].operation, LDAP_MOD_REPLACE);
    EXPECT_EQ(sent.modifications[0].attribute, "unicodePwd");
    ASSERT_EQ(sent.modifications[0].values.size(), 1u);
    EXPECT_EQ(sent.modifications[0].values[0], c.bytes) << c.password;
  }
  // Three letters: ten bytes with the quotes, no terminator.
  EXPECT_EQ(cases[0].bytes.size(), 10u);
}

TEST_F(LdapPasswordClientTest, UserNameIsEscapedInTheFilter) {
  ASSERT_EQ(client.ResetPassword("*)(sAMAccountName=admin\\", "abc"), 1);
  ASSERT_EQ(backend.searches.size(), 2u);
  EXPECT_EQ(backend.searches[1].filter, "(sAMAccountName=\\2a\\29\\28sAMAccountName=admin\\5c)");
}

TEST_F(LdapPasswordClientTest, UserSearchAnswers) {
  const std::string dn = "CN=Alice,CN=Users,DC=corp,DC=example";
  struct Case {
    std::vector<CLdapEntry> entries;
    ULONG searchResult;
    std::string text;
  } const cases[] = {
      {{}, LDAP_SUCCESS, "User not found."},
      {{{dn, {{"distinguishedName", {dn}}}}, {"CN=Alice2", {{"distinguishedName", {"CN=Alice2"}}}}},
       LDAP_SUCCESS,
       "User not found (2 results from search)."},
      {{{dn, {}}}, LDAP_SUCCESS, "ldap_get_values(distinguishedName) failed: 16"},
      {{{dn, {{"distinguishedName", {}}}}}, LDAP_SUCCESS, "User distinguished name not found."},
      {{{dn, {{"distinguishedName", {dn, "CN=x"}}}}},
       LDAP_SUCCESS,
       "User distinguished name not found (2 values returned)."},
      {{}, LDAP_NO_SUCH_OBJECT, "Could not search for user in LDAP: " + Text(LDAP_NO_SUCH_OBJECT)},
  };
  for (const Case& c : cases) {
    backend.userEntries = c.entries;
    backend.userSearchResult = c.searchResult;
    backend.modifies.clear();
    CLdapPasswordClient reset("dc1.corp.example", "sAMAccountName");
    EXPECT_EQ(reset.ResetPassword("alice", "abc"), 0);
    EXPECT_EQ(reset.errorText, c.text);
    EXPECT_TRUE(backend.modifies.empty()) << c.text;
  }
  EXPECT_EQ(backend.closes, static_cast<int>(backend.opens.size()));
}

TEST_F(LdapPasswordClientTest, ModifyResultTexts) {
  struct Case {
    ULONG result;
    std::string text;
  } const cases[] = {
      {LDAP_UNWILLING_TO_PERFORM,
       "The domain controller was not willing to set the new password.  It may not meet your defined password "
       "policy (e.g. complexity, age or history requirements)."},
      {LDAP_UNAVAILABLE_CRIT_EXTENSION, "Could not reset password via LDAP: Critical extension is unavailable"},
      {LDAP_CONSTRAINT_VIOLATION, "Could not reset password via LDAP: " + Text(LDAP_CONSTRAINT_VIOLATION)},
      {LDAP_INSUFFICIENT_RIGHTS, "Could not reset password via LDAP: " + Text(LDAP_INSUFFICIENT_RIGHTS)},
      // Sent and not answered: the change may have been made.
      {LDAP_TIMEOUT,
       "The password may or may not have changed: the domain controller did not answer the change via LDAP "
       "(Timed out)."},
  };
  for (const Case& c : cases) {
    backend.modifyResult = c.result;
    CLdapPasswordClient reset("dc1.corp.example", "sAMAccountName");
    EXPECT_EQ(reset.ResetPassword("alice", "Secret-1"), 0);
    EXPECT_EQ(reset.errorText, c.text);
    EXPECT_EQ(reset.errorText.find("Secret-1"), std::string::npos);
  }
  EXPECT_EQ(backend.closes, static_cast<int>(backend.opens.size()));
}

TEST_F(LdapPasswordClientTest, ConnectFailuresCloseTheConnectionAndSayWhy) {
  struct Case {
    ULONG CRecordingLdapBackend::*answer;
    ULONG value;
    std::string text;
  } const cases[] = {
      {&CRecordingLdapBackend::openResult, LDAP_PARAM_ERROR,
       "Could not create LDAP connection: " + Text(LDAP_PARAM_ERROR)},
      {&CRecordingLdapBackend::connectResult, LDAP_SERVER_DOWN,
       "Could not connect to LDAP server: Can't contact LDAP server"},
      {&CRecordingLdapBackend::bindResult, LDAP_LOCAL_ERROR,
       "Could not authenticate with LDAP server: " + Text(LDAP_LOCAL_ERROR)},
      {&CRecordingLdapBackend::rootDseResult, LDAP_OPERATIONS_ERROR,
       "Could not retrieve LDAP server details: " + Text(LDAP_OPERATIONS_ERROR)},
  };
  for (const Case& c : cases) {
    CRecordingLdapBackend failing;
    failing.*c.answer = c.value;
    CLdapBackendInForce failingInForce(failing);
    CLdapPasswordClient check("dc1.corp.example", "sAMAccountName");
    EXPECT_EQ(check.SupportsPolicyHints(), 0);
    EXPECT_EQ(check.errorText, c.text);
    CLdapPasswordClient reset("dc1.corp.example", "sAMAccountName");
    EXPECT_EQ(reset.ResetPassword("alice", "abc"), 0);
    EXPECT_EQ(reset.errorText, c.text);
    EXPECT_TRUE(failing.modifies.empty());
    // A connection that was never made is not closed; every other is, once.
    const bool neverMade = c.answer == &CRecordingLdapBackend::openResult;
    EXPECT_EQ(failing.closes, neverMade ? 0 : static_cast<int>(failing.opens.size()));
  }

  // A root DSE without one of the two attributes.
  CRecordingLdapBackend partial;
  CLdapBackendInForce partialInForce(partial);
  partial.listNamingContext = false;
  CLdapPasswordClient noBase("dc1.corp.example", "sAMAccountName");
  EXPECT_EQ(noBase.SupportsPolicyHints(), 0);
  EXPECT_EQ(noBase.errorText, "Could not locate domain root via LDAP: " + Text(LDAP_NO_SUCH_ATTRIBUTE));
  partial.listNamingContext = true;
  partial.listSupportedControl = false;
  CLdapPasswordClient noControls("dc1.corp.example", "sAMAccountName");
  EXPECT_EQ(noControls.ResetPassword("alice", "abc"), 0);
  EXPECT_EQ(noControls.errorText, "Could not check for password policy controls: " + Text(LDAP_NO_SUCH_ATTRIBUTE));
  EXPECT_TRUE(partial.modifies.empty());
  EXPECT_EQ(partial.closes, 2);
}

TEST_F(LdapPasswordClientTest, StepsHandOnBaseAndControlIndex) {
  CClientSteps steps("dc1.corp.example", "sAMAccountName");
  backend.supportedControl = {kOid2066};
  std::string baseDn;
  int controlIndex = 7;
  PLDAP ld = steps.Connect("dc2.corp.example", baseDn, controlIndex);
  ASSERT_NE(ld, nullptr) << steps.errorText;
  EXPECT_EQ(backend.opens[0].first, "dc2.corp.example");
  EXPECT_EQ(baseDn, "DC=corp,DC=example");
  EXPECT_EQ(controlIndex, 0);
  // Any index other than 0 and 1 sends no control.
  EXPECT_EQ(steps.SetUnicodePwd(ld, "CN=x", "abc", -1), 1);
  EXPECT_EQ(steps.SetUnicodePwd(ld, "CN=x", "abc", 2), 1);
  EXPECT_EQ(steps.SetUnicodePwd(ld, "CN=x", "abc", 1), 1);
  ASSERT_EQ(backend.modifies.size(), 3u);
  EXPECT_TRUE(backend.modifies[0].controls.empty());
  EXPECT_TRUE(backend.modifies[1].controls.empty());
  ASSERT_EQ(backend.modifies[2].controls.size(), 1u);
  EXPECT_EQ(backend.modifies[2].controls[0].oid, kOid2239);
  ldap_unbind(ld);

  // A naming context without a value gives "???" as the base.
  backend.defaultNamingContext.clear();
  ld = steps.Connect("dc2.corp.example", baseDn, controlIndex);
  ASSERT_NE(ld, nullptr) << steps.errorText;
  EXPECT_EQ(baseDn, "???");
  ldap_unbind(ld);
  EXPECT_EQ(backend.closes, 2);
}

}  // namespace
