// The password change itself: unicodePwd replaced by the quoted password as
// UTF-16 little-endian bytes, with the password-policy-hints control the
// connection found. The value is platform/ldap/unicode_pwd.h's, the one
// conversion of every password path (a byte outside valid UTF-8, say 0x80,
// becomes the code unit of the same value); it is wiped afterwards. A change
// the controller did not answer is reported as one that may have been made.
#include "RemoteSvr/ldap_password_client.h"
#include "platform/base/text.h"
#include "platform/ldap/unicode_pwd.h"
#include "platform/base/wipe.h"

namespace {

// A BER sequence holding one context-specific [0] element of value 1.
constexpr char kPolicyHintsValue[] = {0x30, 0x03, static_cast<char>(0x80), 0x01, 0x01};

constexpr char kUnwillingText[] =
    "The domain controller was not willing to set the new password.  It may not meet your defined password "
    "policy (e.g. complexity, age or history requirements).";

}  // namespace

int CLdapPasswordClient::SetUnicodePwd(PLDAP connection, const std::string& dn, const std::string& newPassword,
                                       int controlIndex) {
  std::string password;
  CWipeOnExit<char> wipePassword(password);
  if (!UnicodePwdValue(newPassword, password)) {
    errorText = "Unable to allocate memory for password.";
    return 0;
  }

  berval value{static_cast<ULONG>(password.size()), password.data()};
  berval* values[] = {&value, nullptr};
  WCHAR unicodePwd[] = u"unicodePwd";
  LDAPModW modification{};
  modification.mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
  modification.mod_type = unicodePwd;
  modification.mod_vals.modv_bvals = values;
  LDAPModW* modifications[] = {&modification, nullptr};

  std::u16string oid;
  std::string hints(kPolicyHintsValue, sizeof kPolicyHintsValue);
  LDAPControlW control{};
  PLDAPControlW controls[] = {nullptr, nullptr};
  if (controlIndex == 0 || controlIndex == 1) {
    oid = Utf8ToUtf16(PolicyHintsOids[controlIndex]);
    control.ldctl_oid = oid.data();
    control.ldctl_value = {static_cast<ULONG>(hints.size()), hints.data()};
    control.ldctl_iscritical = TRUE;
    controls[0] = &control;
  }

  std::u16string wideDn = Utf8ToUtf16(dn);
  const ULONG rc = ldap_modify_ext_sW(connection, wideDn.data(), modifications, controls, nullptr);
  if (rc == LDAP_SUCCESS) return 1;
  if (rc == LDAP_UNWILLING_TO_PERFORM)
    errorText = kUnwillingText;
  else if (rc == LDAP_TIMEOUT)
    // The change went out and no answer came: it may have been made.
    errorText = std::string("The password may or may not have changed: the domain controller did not answer the "
                            "change via LDAP (") +
                ldap_err2stringA(rc) + ").";
  else
    errorText = std::string("Could not reset password via LDAP: ") + ldap_err2stringA(rc);
  return 0;
}
