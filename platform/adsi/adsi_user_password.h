// Whether a write of userPassword sets the password. Most directories keep
// their password there, but an Active Directory does so only when its
// dSHeuristics enable it (the ninth character "1"); otherwise userPassword
// is a plain attribute that stores the text for anyone who may read the
// account, and the password stays as it was. adsi_ldap_object.cpp asks
// before it writes userPassword.
#pragma once

#include "platform/com/objbase.h"
#include "platform/ldap/ldap_session.h"

// S_OK when userPassword is the password on the bound `session`'s server;
// else a failure with the thread's extended error saying why (a server
// whose answer cannot be read counts as one that does not take it).
HRESULT CheckUserPasswordIsThePassword(CLdapSession& session);
