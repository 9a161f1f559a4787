// wldap32's Windows shapes over the seam: what each call hands the backend
// (recorded), how results, values and the thread's last error come back,
// and the libldap backend's result codes and texts against loopback.
#include "platform/ldap/winldap.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/ldap/ldap_limits.h"
#include "platform/ldap/tests/recording_ldap_backend.h"
#include "tests/support/closed_port.h"

namespace {

class WinLdapTest : public ::testing::Test {
 protected:
  PLDAP Open() {
    PLDAP ld = ldap_initW(u"dc1.corp.example", LDAP_PORT);
    EXPECT_NE(ld, nullptr);
    return ld;
  }

  CRecordingLdapBackend backend;
  CLdapBackendInForce inForce{backend};
};

TEST_F(WinLdapTest, InitPreparesHostAndPortAndSendsNothing) {
  PLDAP ld = ldap_initW(u"dc1.corp.example", 0);  // 0: the LDAP port
  ASSERT_NE(ld, nullptr);
  EXPECT_EQ(LdapGetLastError(), LDAP_SUCCESS);
  ASSERT_EQ(backend.opens.size(), 1u);
  EXPECT_EQ(backend.opens[0].first, "dc1.corp.example");
  EXPECT_EQ(backend.opens[0].second, 389u);
  EXPECT_TRUE(backend.connectTimeouts.empty());
  EXPECT_EQ(ldap_unbind(ld), LDAP_SUCCESS);
  EXPECT_EQ(backend.closes, 1);

  EXPECT_EQ(ldap_initW(nullptr, LDAP_PORT), nullptr);
  EXPECT_EQ(LdapGetLastError(), LDAP_PARAM_ERROR);
  backend.openResult = LDAP_CONNECT_ERROR;
  EXPECT_EQ(ldap_initW(u"dc1", LDAP_PORT), nullptr);
  EXPECT_EQ(LdapGetLastError(), LDAP_CONNECT_ERROR);
}

TEST_F(WinLdapTest, NegotiateBindAsksForTheStrengthTheOptionsSet) {
  struct Case {
    void* sign;
    void* encrypt;
    unsigned minimumSsf;
  } const cases[] = {
      {LDAP_OPT_ON, LDAP_OPT_ON, kLdapSealedSsf},
      {LDAP_OPT_OFF, LDAP_OPT_ON, kLdapSealedSsf},
      {LDAP_OPT_ON, LDAP_OPT_OFF, kLdapSignedSsf},
      {LDAP_OPT_OFF, LDAP_OPT_OFF, 0},
  };
  for (const Case& c : cases) {
    backend.bindSsfs.clear();
    PLDAP ld = Open();
    ASSERT_EQ(ldap_set_optionW(ld, LDAP_OPT_SIGN, c.sign), LDAP_SUCCESS);
    ASSERT_EQ(ldap_set_optionW(ld, LDAP_OPT_ENCRYPT, c.encrypt), LDAP_SUCCESS);
    EXPECT_EQ(ldap_bind_sW(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE), LDAP_SUCCESS);
    EXPECT_EQ(backend.bindSsfs, std::vector<unsigned>{c.minimumSsf});
    ldap_unbind(ld);
  }

  // Another account's name or secret, or another method, never reaches the backend.
  PLDAP ld = Open();
  WCHAR name[] = u"CN=someone";
  WCHAR secret[] = u"x";
  backend.bindSsfs.clear();
  EXPECT_EQ(ldap_bind_sW(ld, name, secret, LDAP_AUTH_NEGOTIATE), LDAP_AUTH_METHOD_NOT_SUPPORTED);
  EXPECT_EQ(ldap_bind_sW(ld, nullptr, nullptr, 0x80), LDAP_AUTH_METHOD_NOT_SUPPORTED);
  EXPECT_TRUE(backend.bindSsfs.empty());
  backend.bindResult = LDAP_INVALID_CREDENTIALS;
  EXPECT_EQ(ldap_bind_sW(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE), LDAP_INVALID_CREDENTIALS);
  EXPECT_EQ(LdapGetLastError(), LDAP_INVALID_CREDENTIALS);
  ldap_unbind(ld);
}

TEST_F(WinLdapTest, OptionsAndConnectTimeOut) {
  PLDAP ld = Open();
  ULONG version = LDAP_VERSION3;
  EXPECT_EQ(ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version), LDAP_SUCCESS);
  version = 2;
  EXPECT_EQ(ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version), LDAP_NOT_SUPPORTED);
  int other = 7;
  EXPECT_EQ(ldap_set_optionW(ld, LDAP_OPT_SIGN, &other), LDAP_PARAM_ERROR);
  EXPECT_EQ(ldap_set_optionW(ld, 0x7777, LDAP_OPT_ON), LDAP_PARAM_ERROR);

  // A null time-out is the layer's own connect time-out.
  EXPECT_EQ(ldap_connect(ld, nullptr), LDAP_SUCCESS);
  l_timeval limit{2, 500000};
  backend.connectResult = LDAP_SERVER_DOWN;
  EXPECT_EQ(ldap_connect(ld, &limit), LDAP_SERVER_DOWN);
  EXPECT_EQ(LdapGetLastError(), LDAP_SERVER_DOWN);
  EXPECT_EQ(backend.connectTimeouts, (std::vector<long>{-1, 2500}));
  ldap_unbind(ld);
}

TEST_F(WinLdapTest, SearchResultsEntriesAndValues) {
  backend.userEntries = {
      {"CN=Zoë,DC=corp", {{"distinguishedName", {"CN=Zoë,DC=corp"}}, {"memberOf", {"CN=a", "CN=b"}}}},
      {"CN=Other,DC=corp", {}},
  };
  PLDAP ld = Open();
  WCHAR base[] = u"DC=corp";
  WCHAR filter[] = u"(cn=Zoë)";
  WCHAR dnName[] = u"distinguishedName";
  PWCHAR attributes[] = {dnName, nullptr};
  PLDAPMessage result = nullptr;
  ASSERT_EQ(ldap_search_sW(ld, base, LDAP_SCOPE_SUBTREE, filter, attributes, 0, &result), LDAP_SUCCESS);
  ASSERT_EQ(backend.searches.size(), 1u);
  EXPECT_EQ(backend.searches[0].base, "DC=corp");
  EXPECT_EQ(backend.searches[0].scope, LDAP_SCOPE_SUBTREE);
  EXPECT_EQ(backend.searches[0].filter, "(cn=Zoë)");
  EXPECT_EQ(backend.searches[0].attributes, std::vector<std::string>{"distinguishedName"});

  EXPECT_EQ(ldap_count_entries(ld, result), 2u);
  PLDAPMessage entry = ldap_first_entry(ld, result);
  ASSERT_NE(entry, nullptr);
  // Attribute names compare ignoring case; values come back as UTF-16.
  PWCHAR* values = ldap_get_valuesW(ld, entry, u"DISTINGUISHEDNAME");
  ASSERT_NE(values, nullptr);
  ASSERT_EQ(ldap_count_valuesW(values), 1u);
  EXPECT_EQ(std::u16string(values[0]), u"CN=Zoë,DC=corp");
  ldap_value_freeW(values);
  values = ldap_get_valuesW(ld, result, u"memberOf");  // the result stands for its first entry
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(ldap_count_valuesW(values), 2u);
  EXPECT_EQ(std::u16string(values[1]), u"CN=b");
  EXPECT_EQ(values[2], nullptr);
  ldap_value_freeW(values);
  EXPECT_EQ(ldap_get_valuesW(ld, entry, u"mail"), nullptr);
  EXPECT_EQ(LdapGetLastError(), LDAP_NO_SUCH_ATTRIBUTE);
  ldap_msgfree(result);

  // The root DSE: no base and no filter; a failed search still hands out
  // its result, with what was found.
  backend.rootDseResult = LDAP_OPERATIONS_ERROR;
  ASSERT_EQ(ldap_search_sW(ld, nullptr, LDAP_SCOPE_BASE, nullptr, nullptr, 0, &result), LDAP_OPERATIONS_ERROR);
  EXPECT_EQ(LdapGetLastError(), LDAP_OPERATIONS_ERROR);
  EXPECT_EQ(backend.searches[1].base, "");
  EXPECT_EQ(backend.searches[1].filter, "");
  EXPECT_TRUE(backend.searches[1].attributes.empty());
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(ldap_count_entries(ld, result), 1u);
  ldap_msgfree(result);

  // No entries: a result, but no first entry and no values.
  backend.userEntries.clear();
  ASSERT_EQ(ldap_search_sW(ld, base, LDAP_SCOPE_SUBTREE, filter, attributes, 0, &result), LDAP_SUCCESS);
  EXPECT_EQ(ldap_count_entries(ld, result), 0u);
  EXPECT_EQ(ldap_first_entry(ld, result), nullptr);
  EXPECT_EQ(ldap_get_valuesW(ld, result, dnName), nullptr);
  ldap_msgfree(result);
  EXPECT_EQ(ldap_search_sW(ld, base, LDAP_SCOPE_SUBTREE, filter, attributes, 1, &result), LDAP_NOT_SUPPORTED);
  ldap_unbind(ld);
}

TEST_F(WinLdapTest, ModifyHandsOverBytesAndControlsAsGiven) {
  PLDAP ld = Open();
  char secret[] = {'"', 0, static_cast<char>(0x80), 0, '"', 0};
  berval value{sizeof secret, secret};
  berval* bvalues[] = {&value, nullptr};
  WCHAR unicodePwd[] = u"unicodePwd";
  LDAPModW replace{LDAP_MOD_REPLACE | LDAP_MOD_BVALUES, unicodePwd, {}};
  replace.mod_vals.modv_bvals = bvalues;
  WCHAR description[] = u"description";
  WCHAR text[] = u"é";
  PWCHAR strvals[] = {text, nullptr};
  LDAPModW add{LDAP_MOD_ADD, description, {}};
  add.mod_vals.modv_strvals = strvals;
  LDAPModW* mods[] = {&replace, &add, nullptr};
  WCHAR oid[] = u"1.2.3.4";
  char encoded[] = {0x30, 0x00};
  LDAPControlW control{oid, {sizeof encoded, encoded}, TRUE};
  PLDAPControlW controls[] = {&control, nullptr};
  WCHAR dn[] = u"CN=Zoë,DC=corp";

  backend.modifyResult = LDAP_CONSTRAINT_VIOLATION;
  EXPECT_EQ(ldap_modify_ext_sW(ld, dn, mods, controls, nullptr), LDAP_CONSTRAINT_VIOLATION);
  EXPECT_EQ(LdapGetLastError(), LDAP_CONSTRAINT_VIOLATION);
  ASSERT_EQ(backend.modifies.size(), 1u);
  const CRecordingLdapBackend::CModify& sent = backend.modifies[0];
  EXPECT_EQ(sent.dn, "CN=Zoë,DC=corp");
  ASSERT_EQ(sent.modifications.size(), 2u);
  EXPECT_EQ(sent.modifications[0].operation, LDAP_MOD_REPLACE);
  EXPECT_EQ(sent.modifications[0].attribute, "unicodePwd");
  EXPECT_EQ(sent.modifications[0].values, std::vector<std::string>{std::string(secret, sizeof secret)});
  EXPECT_EQ(sent.modifications[1].operation, LDAP_MOD_ADD);
  EXPECT_EQ(sent.modifications[1].values, std::vector<std::string>{"é"});
  ASSERT_EQ(sent.controls.size(), 1u);
  EXPECT_EQ(sent.controls[0].oid, "1.2.3.4");
  EXPECT_EQ(sent.controls[0].value, std::string(encoded, sizeof encoded));
  EXPECT_TRUE(sent.controls[0].critical);

  // Client controls are not offered; nothing goes out.
  PLDAPControlW emptyList[] = {nullptr};
  EXPECT_EQ(ldap_modify_ext_sW(ld, dn, mods, emptyList, controls), LDAP_NOT_SUPPORTED);
  EXPECT_EQ(backend.modifies.size(), 1u);
  ldap_unbind(ld);
}

TEST_F(WinLdapTest, LastErrorIsPerThread) {
  EXPECT_EQ(ldap_initW(nullptr, LDAP_PORT), nullptr);
  ASSERT_EQ(LdapGetLastError(), LDAP_PARAM_ERROR);
  ULONG other = 0xffff;
  std::thread([&] {
    PLDAP ld = Open();
    other = LdapGetLastError();
    ldap_unbind(ld);
  }).join();
  EXPECT_EQ(other, LDAP_SUCCESS);
  EXPECT_EQ(LdapGetLastError(), LDAP_PARAM_ERROR);
}

// The libldap backend, with no test backend in force.
TEST(WinLdapLibLdap, ResultTextsAreTheLibrarysForWindowsCodes) {
  struct Case {
    ULONG code;
    const char* text;
  } const cases[] = {
      {LDAP_SUCCESS, "Success"},
      {LDAP_UNAVAILABLE_CRIT_EXTENSION, "Critical extension is unavailable"},
      {LDAP_UNWILLING_TO_PERFORM, "Server is unwilling to perform"},
      {LDAP_SERVER_DOWN, "Can't contact LDAP server"},
      {LDAP_TIMEOUT, "Timed out"},
      {LDAP_PARAM_ERROR, "Bad parameter to an ldap routine"},
      {LDAP_REFERRAL_LIMIT_EXCEEDED, "Referral Limit Exceeded"},
  };
  for (const Case& c : cases) EXPECT_STREQ(ldap_err2stringA(c.code), c.text) << c.code;
  EXPECT_NE(ldap_err2stringA(0xffffffffu), nullptr);
}

TEST(WinLdapLibLdap, ClosedPortIsServerDown) {
  const ClosedPort closed;
  ASSERT_NE(closed.Port(), 0);
  PLDAP ld = ldap_initW(u"127.0.0.1", closed.Port());
  ASSERT_NE(ld, nullptr);
  EXPECT_EQ(ldap_connect(ld, nullptr), LDAP_SERVER_DOWN);
  EXPECT_EQ(LdapGetLastError(), LDAP_SERVER_DOWN);
  EXPECT_EQ(ldap_bind_sW(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE), LDAP_SERVER_DOWN);
  EXPECT_EQ(ldap_unbind(ld), LDAP_SUCCESS);
}

}  // namespace
