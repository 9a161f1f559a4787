// The LDAP client's object; its two operations are in files of their own.
#include "RemoteSvr/ldap_password_client.h"

CLdapPasswordClient::CLdapPasswordClient(const std::string& serverName, const std::string& namingAttribute)
    : server(serverName), attribute(namingAttribute) {}

CLdapPasswordClient::~CLdapPasswordClient() = default;
