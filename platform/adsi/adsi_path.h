// ADSI object paths "LDAP://server[:port]/DN": their parts, and the path of
// an entry found under a server. In a path's DN "\/" stands for a slash.
#pragma once

#include <string>
#include <string_view>

struct CAdsPath {
  std::string server;  // as the path gives it, ":port" included; empty: the local controller
  std::string host;    // the server without its port (and without brackets)
  int port = 0;        // 0: the transport's own
  std::string dn;      // with "\/" as "/"; empty: the server's root entry
};

// False for a text that does not begin "LDAP://" (exact case), has neither
// server nor DN, or gives a port outside 1..65535. A first part (up to the
// first "/") that holds "=" is a DN with no server.
bool ParseAdsPath(std::string_view path, CAdsPath& parsed);

// "LDAP://" + server + "/" + dn with each "/" written "\/"; with no server,
// "LDAP://" + the written dn.
std::string FormatAdsPath(std::string_view server, std::string_view dn);
