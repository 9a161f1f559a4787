// CAdsiAccess without a directory: the text of every kind of HRESULT, the
// path Modify opens, and the bind flags its credentials give.
#include <gtest/gtest.h>

#include "RemoteSvr/adsi_access.h"
#include "platform/adsi/adsi.h"

namespace {

struct ExtendedError {
  DWORD code;
  const char16_t* text;
};

TEST(AdsiFormatResult, TextsOfEveryKindOfResult) {
  const struct Case {
    HRESULT result;
    const char* text;
  } cases[] = {
      {S_OK, "Success"},
      {S_ADS_NOMORE_ROWS, "Success"},
      {E_ADS_BAD_PATHNAME, "E_ADS_BAD_PATHNAME"},
      {E_ADS_INVALID_FILTER, "E_ADS_INVALID_FILTER"},
      {E_ADS_COLUMN_NOT_SET, "E_ADS_COLUMN_NOT_SET"},
      // Named only on an exact hit: these have the bits of 0x5000 but are
      // no ADSI error of the table.
      {static_cast<HRESULT>(0x80005011u), ""},
      {static_cast<HRESULT>(0x80075000u), "Error -2147004416"},
      {static_cast<HRESULT>(0x80077531u), "Error -2146994895"},
      // Win32 results: the system text on one line.
      {HRESULT_FROM_WIN32(8240), "There is no such object on the server."},
      {E_ACCESSDENIED, "Access is denied."},
      {HRESULT_FROM_WIN32(9999), "Error -2147014897"},
      // Neither ADSI's nor Win32's.
      {E_FAIL, ""},
  };
  for (const Case& c : cases) {
    ADsSetLastError(0, nullptr, nullptr);
    EXPECT_EQ(CAdsiAccess::FormatResult(c.result), c.text) << std::hex << c.result;
  }
}

TEST(AdsiFormatResult, TheProvidersExtendedErrorInParentheses) {
  const struct Case {
    HRESULT result;
    ExtendedError extended;
    const char* text;
  } cases[] = {
      {E_ADS_BAD_PATHNAME, {32, u"0000208D: NameErr: DSID-0310028B, problem 2001 (NO_OBJECT)"},
       "E_ADS_BAD_PATHNAME (LDAP Provider : 0000208D: NameErr: DSID-0310028B, problem 2001 (NO_OBJECT))"},
      // Line breaks and tabs go, also those of the system text.
      {HRESULT_FROM_WIN32(1326), {49, u"80090308: LdapErr:\r\n\tdata 52e"},
       "The user name or password is incorrect. (LDAP Provider : 80090308: LdapErr:data 52e)"},
      // No text from the server: the result's number.
      {HRESULT_FROM_WIN32(8250), {static_cast<DWORD>(-1), u""},
       "The server is not operational. (LDAP Provider : Error=8007203A)"},
      // Extended error 13 is not told.
      {HRESULT_FROM_WIN32(8237), {13, u"Confidentiality required"}, "This request requires a secure connection."},
  };
  for (const Case& c : cases) {
    ADsSetLastError(c.extended.code, c.extended.text, u"LDAP Provider");
    EXPECT_EQ(CAdsiAccess::FormatResult(c.result), c.text);
  }
  ADsSetLastError(0, nullptr, nullptr);
}

TEST(AdsiModifyPath, PrefixedPathsStandOthersGetThePrefixAndEscapedSlashes) {
  const struct {
    const char* path;
    const char* opened;
  } cases[] = {
      {"LDAP://dc1.test.lan/CN=a\\/b,DC=x", "LDAP://dc1.test.lan/CN=a\\/b,DC=x"},
      {"CN=a/b,CN=Users,DC=x", "LDAP://CN=a\\/b,CN=Users,DC=x"},
      {"CN=plain,DC=x", "LDAP://CN=plain,DC=x"},
      // The prefix counts only in its exact case.
      {"ldap://dc1/CN=u", "LDAP://ldap:\\/\\/dc1\\/CN=u"},
  };
  for (const auto& c : cases) EXPECT_EQ(CAdsiAccess::ObjectPath(c.path), c.opened) << c.path;
}

TEST(AdsiCredentials, BindFlagsFollowTheCredentials) {
  CAdsiAccess access;
  EXPECT_EQ(access.BindFlags(), ADS_SECURE_AUTHENTICATION);
  EXPECT_FALSE(access.UserName().has_value());
  EXPECT_FALSE(access.HasPassword());

  access.SetCredentials("svc-reset", "S3cret", 0);
  EXPECT_EQ(access.BindFlags(), ADS_FAST_BIND);
  EXPECT_EQ(access.UserName(), std::u16string(u"svc-reset"));
  EXPECT_TRUE(access.HasPassword());

  access.SetCredentials("Dir\xC3\xA9", "S3cret", 1);
  EXPECT_EQ(access.BindFlags(), ADS_FAST_BIND | ADS_USE_ENCRYPTION);
  EXPECT_EQ(access.UserName(), std::u16string(u"Dir\u00E9"));

  access.SetCredentials(nullptr, nullptr, 1);
  EXPECT_EQ(access.BindFlags(), 0x22u);
  EXPECT_FALSE(access.UserName().has_value());
  EXPECT_FALSE(access.HasPassword());
}

}  // namespace
