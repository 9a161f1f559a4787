// The part of the netapi backend that asks the domain controller over LDAP
// instead of libnetapi: a user's groups. libnetapi looks up the names of
// every alias it found in the Builtin domain, so a user in any domain-local
// group gets ERROR_SOME_NOT_MAPPED; the directory answers the same question
// whole. Global groups go this way too: a DC runs its check password script
// (the password filter, which looks them up) inside its SAM server, which
// serves no other SAM request until the script has ended. (Samba's
// netapi.h must not meet this header's callers either, so it speaks the
// backend seam's plain types.)
#pragma once

#include <string>
#include <vector>

#include "platform/base/wintypes.h"

// The global groups of `user` on `server` as a controller's SAM lists them:
// its primary group (primaryGroupID), then the global and universal
// security groups it is a direct member of. Binds as the directory account
// (see OpenDirectorySession). Answers netapi status codes.
DWORD LdapUserGetGroups(const std::string& server, const std::string& user, std::vector<std::string>& groups);

// The local groups (builtin and domain-local) of `user` on `server`: those
// it is a direct member of, or with `indirect` every one it belongs to
// through other groups too. Binds as the directory account (see
// OpenDirectorySession). Answers netapi status codes.
DWORD LdapUserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                             std::vector<std::string>& groups);

// "\\name" names the same machine as "name".
std::string StripUncPrefix(const std::string& server);

// RFC 4515: a value made safe for an LDAP filter.
std::string EscapeLdapFilterValue(const std::string& value);
