// The Windows LDAP client interface (wldap32) as the service calls it, with
// UTF-16 text. winldap.cpp gives it over the seam of winldap_backend.h,
// whose process backend (winldap_libldap.cpp) is libldap through
// platform/ldap/ldap_session.h. libldap's <ldap.h> uses the same names for other
// shapes, so the two never meet in one file: a file that included both
// would not compile.
//
// Everything sits in an inline namespace: callers write the Windows names,
// while the types (berval above all, whose layout differs from libldap's)
// and functions stay distinct entities from libldap's at link time.
#pragma once

#include "platform/base/wintypes.h"

inline namespace wldap32 {

// The connection and the search-result message are opaque here.
struct ldap;
struct ldapmsg;
using LDAP = ldap;
using PLDAP = ldap*;
using LDAPMessage = ldapmsg;
using PLDAPMessage = ldapmsg*;

struct berval {
  ULONG bv_len;
  PCHAR bv_val;
};
using BERVAL = berval;
using PBERVAL = berval*;

struct l_timeval {
  LONG tv_sec;
  LONG tv_usec;
};

struct LDAPControlW {
  PWCHAR ldctl_oid;
  berval ldctl_value;
  BOOLEAN ldctl_iscritical;
};
using PLDAPControlW = LDAPControlW*;

struct LDAPModW {
  ULONG mod_op;
  PWCHAR mod_type;
  union {
    PWCHAR* modv_strvals;
    berval** modv_bvals;
  } mod_vals;
};
using PLDAPModW = LDAPModW*;

inline constexpr ULONG LDAP_PORT = 389;
inline constexpr ULONG LDAP_VERSION3 = 3;

// Options.
inline constexpr int LDAP_OPT_PROTOCOL_VERSION = 0x11;
inline constexpr int LDAP_OPT_SIGN = 0x95;
inline constexpr int LDAP_OPT_ENCRYPT = 0x96;
#define LDAP_OPT_ON (reinterpret_cast<void*>(1))
#define LDAP_OPT_OFF (reinterpret_cast<void*>(0))

// Bind methods.
inline constexpr ULONG LDAP_AUTH_NEGOTIATE = 0x486;

// Search scopes.
inline constexpr ULONG LDAP_SCOPE_BASE = 0x00;
inline constexpr ULONG LDAP_SCOPE_ONELEVEL = 0x01;
inline constexpr ULONG LDAP_SCOPE_SUBTREE = 0x02;

// Modification operations; LDAP_MOD_BVALUES marks berval values.
inline constexpr ULONG LDAP_MOD_ADD = 0x00;
inline constexpr ULONG LDAP_MOD_DELETE = 0x01;
inline constexpr ULONG LDAP_MOD_REPLACE = 0x02;
inline constexpr ULONG LDAP_MOD_BVALUES = 0x80;

// Result codes: the protocol's, then the client library's own from 0x51.
inline constexpr ULONG LDAP_SUCCESS = 0x00;
inline constexpr ULONG LDAP_OPERATIONS_ERROR = 0x01;
inline constexpr ULONG LDAP_PROTOCOL_ERROR = 0x02;
inline constexpr ULONG LDAP_AUTH_METHOD_NOT_SUPPORTED = 0x07;
inline constexpr ULONG LDAP_STRONG_AUTH_REQUIRED = 0x08;
inline constexpr ULONG LDAP_UNAVAILABLE_CRIT_EXTENSION = 0x0c;
inline constexpr ULONG LDAP_CONFIDENTIALITY_REQUIRED = 0x0d;
inline constexpr ULONG LDAP_NO_SUCH_ATTRIBUTE = 0x10;
inline constexpr ULONG LDAP_CONSTRAINT_VIOLATION = 0x13;
inline constexpr ULONG LDAP_NO_SUCH_OBJECT = 0x20;
inline constexpr ULONG LDAP_INVALID_CREDENTIALS = 0x31;
inline constexpr ULONG LDAP_INSUFFICIENT_RIGHTS = 0x32;
inline constexpr ULONG LDAP_UNAVAILABLE = 0x34;
inline constexpr ULONG LDAP_UNWILLING_TO_PERFORM = 0x35;
inline constexpr ULONG LDAP_OTHER = 0x50;
inline constexpr ULONG LDAP_SERVER_DOWN = 0x51;
inline constexpr ULONG LDAP_LOCAL_ERROR = 0x52;
inline constexpr ULONG LDAP_ENCODING_ERROR = 0x53;
inline constexpr ULONG LDAP_DECODING_ERROR = 0x54;
inline constexpr ULONG LDAP_TIMEOUT = 0x55;
inline constexpr ULONG LDAP_AUTH_UNKNOWN = 0x56;
inline constexpr ULONG LDAP_FILTER_ERROR = 0x57;
inline constexpr ULONG LDAP_USER_CANCELLED = 0x58;
inline constexpr ULONG LDAP_PARAM_ERROR = 0x59;
inline constexpr ULONG LDAP_NO_MEMORY = 0x5a;
inline constexpr ULONG LDAP_CONNECT_ERROR = 0x5b;
inline constexpr ULONG LDAP_NOT_SUPPORTED = 0x5c;
inline constexpr ULONG LDAP_CONTROL_NOT_FOUND = 0x5d;
inline constexpr ULONG LDAP_NO_RESULTS_RETURNED = 0x5e;
inline constexpr ULONG LDAP_MORE_RESULTS_TO_RETURN = 0x5f;
inline constexpr ULONG LDAP_CLIENT_LOOP = 0x60;
inline constexpr ULONG LDAP_REFERRAL_LIMIT_EXCEEDED = 0x61;

// A connection to host:port (0 = LDAP_PORT); nothing is sent yet. Null
// with the thread's last error set when it cannot be made.
PLDAP ldap_initW(LPCWSTR host, ULONG port);
// LDAP_OPT_SIGN and LDAP_OPT_ENCRYPT take LDAP_OPT_ON or LDAP_OPT_OFF;
// LDAP_OPT_PROTOCOL_VERSION points at a ULONG (only version 3 is spoken).
ULONG ldap_set_optionW(PLDAP ld, int option, const void* value);
// Opens the connection; a null time-out is the layer's connect time-out.
ULONG ldap_connect(PLDAP ld, l_timeval* timeout);
// LDAP_AUTH_NEGOTIATE with no name and no credentials: the process's own
// Kerberos credentials, sealed or signed as the options asked.
ULONG ldap_bind_sW(PLDAP ld, PWCHAR dn, PWCHAR cred, ULONG method);
// A search with the operation time-out. A null base is the root DSE's, a
// null filter "(objectClass=*)"; attrsonly must be 0. *res is the caller's to free with
// ldap_msgfree, also after a failure.
ULONG ldap_search_sW(PLDAP ld, PWCHAR base, ULONG scope, PWCHAR filter, PWCHAR attrs[], ULONG attrsonly,
                     PLDAPMessage* res);
PLDAPMessage ldap_first_entry(PLDAP ld, PLDAPMessage res);
ULONG ldap_count_entries(PLDAP ld, PLDAPMessage res);
// The values of one attribute of an entry (a search result stands for its
// first entry), null-terminated; free with ldap_value_freeW. Null with the
// thread's last error set when the entry has no such attribute.
PWCHAR* ldap_get_valuesW(PLDAP ld, PLDAPMessage entry, LPCWSTR attr);
ULONG ldap_count_valuesW(PWCHAR* vals);
ULONG ldap_value_freeW(PWCHAR* vals);
ULONG ldap_msgfree(PLDAPMessage res);
// One modification request with the operation time-out; client controls
// are not supported. LDAP_TIMEOUT exactly when the request went out and no
// answer came back (in time, or before the connection ended): the change
// may or may not have been made.
ULONG ldap_modify_ext_sW(PLDAP ld, PWCHAR dn, LDAPModW* mods[], PLDAPControlW* serverControls,
                         PLDAPControlW* clientControls);
// Ends the connection and frees the handle.
ULONG ldap_unbind(PLDAP ld);

// The result of this thread's last LDAP call.
ULONG LdapGetLastError();
// A result code's text (the LDAP library's wording); never null.
PCHAR ldap_err2stringA(ULONG err);

}  // namespace wldap32
