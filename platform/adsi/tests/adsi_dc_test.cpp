// The ADSI layer against the fixture DC (run through dc_run.sh: the DC's
// settings, an Administrator ticket, dc1.test.lan resolving): binds by
// Kerberos and by name and password, paged searches across more entries
// than one page, the ADsPath column, changes, and the directory's answers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/adsi/adsi.h"
#include "platform/base/certificate_failure.h"
#include "platform/ldap/ldap_session.h"
#include "platform/base/text.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text); }

// A folder of contacts of this test's own, made and removed over ldaps as
// the administrator.
class AdsiDcTest : public ::testing::Test {
 protected:
  static constexpr int kEntries = 7;

  static void SetUpTestSuite() {
    ASSERT_FALSE(Env("DC_BASE_DN").empty()) << "run through dc_run.sh";
    folder = "OU=adsi-layer-" + std::to_string(getpid()) + "," + Env("DC_BASE_DN");
    CLdapSession admin;
    ASSERT_EQ(BindAdmin(admin), LDAP_SUCCESS);
    ASSERT_EQ(Add(admin, folder, "organizationalUnit"), LDAP_SUCCESS) << admin.Diagnostic();
    for (int i = 0; i < kEntries; ++i)
      ASSERT_EQ(Add(admin, EntryDn(i), "contact"), LDAP_SUCCESS) << admin.Diagnostic();
  }

  static void TearDownTestSuite() {
    CLdapSession admin;
    if (BindAdmin(admin) != LDAP_SUCCESS) return;
    for (int i = 0; i < kEntries; ++i) ldap_delete_ext_s(admin.Handle(), EntryDn(i).c_str(), nullptr, nullptr);
    ldap_delete_ext_s(admin.Handle(), folder.c_str(), nullptr, nullptr);
  }

  static int BindAdmin(CLdapSession& session) {
    const int rc = session.Open(Env("DC_ADDRESS"), LDAPS_PORT, true);
    return rc != LDAP_SUCCESS ? rc
                              : session.BindSimple(Env("DC_ADMIN") + "@" + Env("DC_DNS_DOMAIN"),
                                                   Env("DC_ADMIN_PASSWORD"));
  }

  static int Add(CLdapSession& session, const std::string& dn, const char* objectClass) {
    char classType[] = "objectClass";
    char* classValues[] = {const_cast<char*>(objectClass), nullptr};
    LDAPMod mod{};
    mod.mod_op = LDAP_MOD_ADD;
    mod.mod_type = classType;
    mod.mod_values = classValues;
    LDAPMod* mods[] = {&mod, nullptr};
    return ldap_add_ext_s(session.Handle(), dn.c_str(), mods, nullptr, nullptr);
  }

  // "/" in a name shows that paths write it "\/".
  static std::string EntryDn(int i) { return "CN=item/" + std::to_string(i) + "," + folder; }

  static std::string Description(const std::string& dn) {
    CLdapSession admin;
    if (BindAdmin(admin) != LDAP_SUCCESS) return "<no bind>";
    LDAPMessage* result = nullptr;
    std::string text;
    if (admin.Search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", {"description"}, nullptr, &result) == LDAP_SUCCESS)
      if (LDAPMessage* entry = ldap_first_entry(admin.Handle(), result)) {
        const std::vector<std::string> values = LdapValues(admin.Handle(), entry, "description");
        if (!values.empty()) text = values.front();
      }
    if (result != nullptr) ldap_msgfree(result);
    return text;
  }

  // Every row's columns as "name=value" lines, rows ended by "".
  static HRESULT Rows(IDirectorySearch* search, ADS_SEARCH_HANDLE handle, std::vector<std::string>& lines) {
    HRESULT result = search->GetFirstRow(handle);
    while (result == S_OK) {
      LPWSTR name = nullptr;
      while (search->GetNextColumnName(handle, &name) == S_OK) {
        ADS_SEARCH_COLUMN column{};
        EXPECT_EQ(search->GetColumn(handle, name, &column), S_OK);
        for (DWORD i = 0; i < column.dwNumValues; ++i)
          lines.push_back(Utf16ToUtf8(name) + "=" + Utf16ToUtf8(column.pADsValues[i].CaseIgnoreString));
        search->FreeColumn(&column);
        FreeADsMem(name);
      }
      lines.emplace_back();
      result = search->GetNextRow(handle);
    }
    return result;
  }

  static HRESULT Preferences(IDirectorySearch* search, DWORD pageSize, DWORD sizeLimit) {
    ADS_SEARCHPREF_INFO preferences[3] = {};
    const ADS_SEARCHPREF_ENUM kinds[3] = {ADS_SEARCHPREF_SEARCH_SCOPE, ADS_SEARCHPREF_SIZE_LIMIT,
                                          ADS_SEARCHPREF_PAGESIZE};
    const DWORD values[3] = {ADS_SCOPE_SUBTREE, sizeLimit, pageSize};
    for (int i = 0; i < 3; ++i) {
      preferences[i].dwSearchPref = kinds[i];
      preferences[i].vValue.dwType = ADSTYPE_INTEGER;
      preferences[i].vValue.Integer = values[i];
    }
    return search->SetSearchPreference(preferences, 3);
  }

  static std::string LastProviderError(DWORD* code = nullptr) {
    DWORD error = 0;
    WCHAR text[260] = {}, provider[260] = {};
    if (FAILED(ADsGetLastError(&error, text, 260, provider, 260))) return "<none>";
    if (code != nullptr) *code = error;
    return Utf16ToUtf8(provider) + " : " + Utf16ToUtf8(text);
  }

  static inline std::string folder;
};

TEST_F(AdsiDcTest, PagedSearchOverKerberosReadsEveryEntryAcrossPages) {
  const std::u16string path = Wide("LDAP://" + Env("DC_FQDN") + "/" + folder);
  IDirectorySearch* search = nullptr;
  ASSERT_EQ(ADsOpenObject(path.c_str(), nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IDirectorySearch,
                          reinterpret_cast<void**>(&search)),
            S_OK)
      << LastProviderError();
  // Pages of 2 for 7 entries: four pages.
  ASSERT_EQ(Preferences(search, 2, 0), S_OK);
  WCHAR pathName[] = u"ADsPath";
  LPWSTR names[] = {pathName};
  ADS_SEARCH_HANDLE handle = nullptr;
  ASSERT_EQ(search->ExecuteSearch(u"(objectClass=contact)", names, 1, &handle), S_OK) << LastProviderError();
  std::vector<std::string> lines;
  EXPECT_EQ(Rows(search, handle, lines), S_ADS_NOMORE_ROWS);
  EXPECT_EQ(search->CloseSearchHandle(handle), S_OK);
  search->Release();

  std::vector<std::string> expected;
  for (int i = 0; i < kEntries; ++i) {
    std::string escaped = EntryDn(i);
    escaped.replace(escaped.find('/'), 1, "\\/");
    expected.push_back("ADsPath=LDAP://" + Env("DC_FQDN") + "/" + escaped);
  }
  std::vector<std::string> paths;
  for (const std::string& line : lines)
    if (!line.empty()) paths.push_back(line);
  std::sort(paths.begin(), paths.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(lines.size(), 2u * kEntries);  // one column per row, each row ended
}

TEST_F(AdsiDcTest, SizeLimitEndsTheRowsEvenMidPage) {
  const std::u16string path = Wide("LDAP://" + Env("DC_FQDN") + "/" + folder);
  IDirectorySearch* search = nullptr;
  ASSERT_EQ(ADsOpenObject(path.c_str(), nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IDirectorySearch,
                          reinterpret_cast<void**>(&search)),
            S_OK);
  ASSERT_EQ(Preferences(search, 2, 3), S_OK);
  WCHAR cn[] = u"cn";
  LPWSTR names[] = {cn};
  ADS_SEARCH_HANDLE handle = nullptr;
  ASSERT_EQ(search->ExecuteSearch(u"(objectClass=contact)", names, 1, &handle), S_OK);
  std::vector<std::string> lines;
  EXPECT_EQ(Rows(search, handle, lines), S_ADS_NOMORE_ROWS);
  EXPECT_EQ(lines.size(), 6u);
  for (std::size_t i = 0; i < lines.size(); i += 2) EXPECT_EQ(lines[i].rfind("cn=item/", 0), 0u) << lines[i];
  // Reading from the start again searches again.
  lines.clear();
  EXPECT_EQ(Rows(search, handle, lines), S_ADS_NOMORE_ROWS);
  EXPECT_EQ(lines.size(), 6u);
  search->CloseSearchHandle(handle);
  search->Release();
}

TEST_F(AdsiDcTest, AllAttributesComeWithThePath) {
  const std::u16string path = Wide("LDAP://" + Env("DC_FQDN") + "/" + EntryDn(0));
  IDirectorySearch* search = nullptr;
  ASSERT_EQ(ADsOpenObject(path.c_str(), nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IDirectorySearch,
                          reinterpret_cast<void**>(&search)),
            S_OK);
  ADS_SEARCH_HANDLE handle = nullptr;
  ASSERT_EQ(search->ExecuteSearch(nullptr, nullptr, static_cast<DWORD>(-1), &handle), S_OK);
  std::vector<std::string> lines;
  EXPECT_EQ(Rows(search, handle, lines), S_ADS_NOMORE_ROWS);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "cn=item/0"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "ADsPath=LDAP://" + Env("DC_FQDN") + "/CN=item\\/0," + folder),
            lines.end());
  ADS_SEARCH_COLUMN column{};
  EXPECT_EQ(search->GetColumn(handle, u"noSuchColumn", &column), E_ADS_COLUMN_NOT_SET);
  search->CloseSearchHandle(handle);
  EXPECT_EQ(search->CloseSearchHandle(handle), E_ADS_BAD_PARAMETER);
  search->Release();
}

TEST_F(AdsiDcTest, NameAndPasswordOverLdapsWithABareNameAndNoServerInThePath) {
  // No server: the registry's LocalDomainController (127.0.0.1); the bare
  // name is taken as the DC's domain's.
  const std::u16string path = Wide("LDAP://" + folder);
  const std::u16string user = Wide(Env("DC_ADMIN")), password = Wide(Env("DC_ADMIN_PASSWORD"));
  IDirectorySearch* search = nullptr;
  ASSERT_EQ(ADsOpenObject(path.c_str(), user.c_str(), password.c_str(), ADS_FAST_BIND | ADS_USE_ENCRYPTION,
                          IID_IDirectorySearch, reinterpret_cast<void**>(&search)),
            S_OK)
      << LastProviderError();
  WCHAR pathName[] = u"ADsPath";
  LPWSTR names[] = {pathName};
  ADS_SEARCH_HANDLE handle = nullptr;
  ASSERT_EQ(search->ExecuteSearch(u"(cn=item/3)", names, 1, &handle), S_OK);
  std::vector<std::string> lines;
  EXPECT_EQ(Rows(search, handle, lines), S_ADS_NOMORE_ROWS);
  EXPECT_EQ(lines, (std::vector<std::string>{"ADsPath=LDAP://CN=item\\/3," + folder, ""}));
  search->CloseSearchHandle(handle);
  search->Release();
}

TEST_F(AdsiDcTest, TheDirectorysRefusalsAsHResultsWithTheServersText) {
  const std::string fqdn = Env("DC_FQDN");
  const std::u16string admin = Wide(Env("DC_ADMIN") + "@" + Env("DC_DNS_DOMAIN"));
  struct Case {
    std::string path;
    const char16_t* user;
    const char16_t* password;
    DWORD flags;
    DWORD win32;
    int ldap;
  };
  const Case cases[] = {
      {"LDAP://" + fqdn + "/OU=none-such," + folder, nullptr, nullptr, ADS_SECURE_AUTHENTICATION, 8240,
       LDAP_NO_SUCH_OBJECT},
      {"LDAP://" + fqdn + "/" + folder, admin.c_str(), u"not-the-password", ADS_FAST_BIND | ADS_USE_ENCRYPTION,
       1326, LDAP_INVALID_CREDENTIALS},
  };
  for (const Case& c : cases) {
    const std::u16string path = Wide(c.path);
    void* object = nullptr;
    EXPECT_EQ(ADsOpenObject(path.c_str(), c.user, c.password, c.flags, IID_IADs, &object), HRESULT_FROM_WIN32(c.win32))
        << c.path;
    EXPECT_EQ(object, nullptr);
    DWORD code = 0;
    const std::string provider = LastProviderError(&code);
    EXPECT_EQ(static_cast<int>(code), c.ldap) << provider;
    EXPECT_EQ(provider.rfind("LDAP Provider : ", 0), 0u) << provider;
    EXPECT_GT(provider.size(), std::string("LDAP Provider : ").size()) << "the server's text";
  }
}

// The process's trust for the sessions opened while the object lives.
class CTrustedCa {
 public:
  explicit CTrustedCa(const std::string& file) {
    char* value = nullptr;
    if (ldap_get_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, &value) == LDAP_OPT_SUCCESS && value != nullptr) {
      saved = value;
      ldap_memfree(value);
    }
    ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, file.c_str());
  }
  ~CTrustedCa() { ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, saved.empty() ? nullptr : saved.c_str()); }
  CTrustedCa(const CTrustedCa&) = delete;
  CTrustedCa& operator=(const CTrustedCa&) = delete;

 private:
  std::string saved;
};

TEST_F(AdsiDcTest, ACertificateThatDoesNotVerifyIsNamedWithItsVerificationError) {
  // A CA of this test's own, which signed nothing the DC shows.
  const std::string otherCa = "/tmp/adsi-other-ca-" + std::to_string(getpid()) + ".pem";
  const std::string make = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                           "-subj /CN=other -keyout /dev/null -out " + otherCa + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0) << make;
  const std::u16string admin = Wide(Env("DC_ADMIN") + "@" + Env("DC_DNS_DOMAIN"));
  const std::u16string password = Wide(Env("DC_ADMIN_PASSWORD"));
  const struct {
    std::string server;
    std::string trusted;
    std::string error;
    HRESULT result;
  } cases[] = {
      {Env("DC_FQDN"), otherCa, "unable to get local issuer certificate", static_cast<HRESULT>(CERT_E_UNTRUSTEDROOT)},
      // A name the DC's certificate does not carry.
      {"localhost", Env("DC_TLS_CA"), "hostname mismatch", static_cast<HRESULT>(CERT_E_CN_NO_MATCH)},
  };
  for (const auto& c : cases) {
    CTrustedCa trust(c.trusted);
    const std::u16string path = Wide("LDAP://" + c.server + "/" + folder);
    void* object = nullptr;
    // The trust family's status, not the one of a server that is down.
    EXPECT_EQ(ADsOpenObject(path.c_str(), admin.c_str(), password.c_str(), ADS_FAST_BIND | ADS_USE_ENCRYPTION, IID_IADs,
                            &object),
              c.result);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(LastProviderError(), "LDAP Provider : TLS certificate verification failed: " + c.error) << c.server;
  }
  std::remove(otherCa.c_str());
}

TEST_F(AdsiDcTest, PutExAndSetInfoReplaceTheValueAsUtf8) {
  const std::u16string path = Wide("LDAP://" + Env("DC_FQDN") + "/" + EntryDn(1));
  IADs* object = nullptr;
  ASSERT_EQ(ADsOpenObject(path.c_str(), nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IADs,
                          reinterpret_cast<void**>(&object)),
            S_OK);
  WCHAR description[] = u"description";
  for (const std::string& text : {std::string("first"), std::string("Zo\xC3\xAB \xE2\x82\xAC 2")}) {
    std::u16string wide = Wide(text);
    LPWSTR one[] = {wide.data()};
    VARIANT value;
    ASSERT_EQ(ADsBuildVarArrayStr(one, 1, &value), S_OK);
    EXPECT_EQ(object->PutEx(ADS_PROPERTY_UPDATE, description, value), S_OK);
    VariantClear(&value);
    EXPECT_EQ(Description(EntryDn(1)), text == "first" ? "" : "first") << "nothing written before SetInfo";
    ASSERT_EQ(object->SetInfo(), S_OK) << LastProviderError();
    EXPECT_EQ(Description(EntryDn(1)), text);
  }
  VARIANT number;
  VariantInit(&number);
  number.vt = 3;  // a 4-byte integer: not text
  EXPECT_EQ(object->PutEx(ADS_PROPERTY_UPDATE, description, number), E_ADS_CANT_CONVERT_DATATYPE);
  EXPECT_EQ(object->SetInfo(), S_OK);  // nothing kept

  // An attribute the schema does not know: the directory's refusal.
  WCHAR unknown[] = u"noSuchAttributeOfOurs";
  WCHAR text[] = u"x";
  LPWSTR one[] = {text};
  VARIANT value;
  ASSERT_EQ(ADsBuildVarArrayStr(one, 1, &value), S_OK);
  EXPECT_EQ(object->PutEx(ADS_PROPERTY_UPDATE, unknown, value), S_OK);
  VariantClear(&value);
  const HRESULT refused = object->SetInfo();
  EXPECT_TRUE(FAILED(refused));
  EXPECT_EQ(HRESULT_FACILITY(refused), FACILITY_WIN32);
  EXPECT_NE(LastProviderError(), "<none>");
  object->Release();
}

TEST_F(AdsiDcTest, AnUnusableFilterIsAnInvalidFilter) {
  const std::u16string path = Wide("LDAP://" + Env("DC_FQDN") + "/" + folder);
  IDirectorySearch* search = nullptr;
  ASSERT_EQ(ADsOpenObject(path.c_str(), nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IDirectorySearch,
                          reinterpret_cast<void**>(&search)),
            S_OK);
  ADS_SEARCH_HANDLE handle = reinterpret_cast<ADS_SEARCH_HANDLE>(1);
  EXPECT_EQ(search->ExecuteSearch(u"(&(cn=item)", nullptr, static_cast<DWORD>(-1), &handle), E_ADS_INVALID_FILTER);
  EXPECT_EQ(handle, nullptr);
  search->Release();
}

}  // namespace
