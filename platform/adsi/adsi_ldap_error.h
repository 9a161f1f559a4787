// LDAP result codes as ADSI answers them: HRESULT_FROM_WIN32 of the Win32
// code for the result, with the thread's extended error recorded.
#pragma once

#include <string>

#include "platform/com/objbase.h"

class CLdapSession;

// The Win32 code that an LDAP result code stands for (0 for success).
DWORD Win32ErrorFromLdap(int ldapCode);

// The HRESULT of a failed LDAP call; records `ldapCode`, the server's
// diagnostic text and "LDAP Provider" as the thread's extended error.
HRESULT AdsLdapFailure(int ldapCode, const std::string& diagnostic);
// The same for a failed call on `session`, with its diagnostic; a
// connection that failed on the server's certificate answers the trust
// family's status for it (CLdapSession::CertificateStatus), whose text then
// ends with the reason.
HRESULT AdsLdapFailure(int ldapCode, const CLdapSession& session);

// A directory call starts with no extended error recorded.
void AdsClearLastError();
