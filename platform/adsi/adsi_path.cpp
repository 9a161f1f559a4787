// Reading and writing ADSI paths.
#include "platform/adsi/adsi_path.h"

#include <charconv>

namespace {

constexpr std::string_view kPrefix = "LDAP://";

// The first "/" that is not written "\/", or npos.
std::size_t FirstSlash(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (text[i] == '/') return i;
  }
  return std::string_view::npos;
}

std::string UnescapeSlashes(std::string_view dn) {
  std::string plain;
  plain.reserve(dn.size());
  for (std::size_t i = 0; i < dn.size(); ++i) {
    if (dn[i] == '\\' && i + 1 < dn.size() && dn[i + 1] == '/') ++i;
    plain += dn[i];
  }
  return plain;
}

bool ParsePort(std::string_view text, int& port) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool ParseServer(std::string_view server, CAdsPath& parsed) {
  std::string_view host = server, port;
  if (server.front() == '[') {
    const std::size_t close = server.find(']');
    if (close == std::string_view::npos) return false;
    host = server.substr(1, close - 1);
    const std::string_view rest = server.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      port = rest.substr(1);
      if (!ParsePort(port, parsed.port)) return false;
    }
  } else if (const std::size_t colon = server.find(':'); colon != std::string_view::npos) {
    host = server.substr(0, colon);
    if (!ParsePort(server.substr(colon + 1), parsed.port)) return false;
  }
  if (host.empty()) return false;
  parsed.host = std::string(host);
  parsed.server = std::string(server);
  return true;
}

}  // namespace

bool ParseAdsPath(std::string_view path, CAdsPath& parsed) {
  parsed = CAdsPath();
  if (path.substr(0, kPrefix.size()) != kPrefix) return false;
  const std::string_view rest = path.substr(kPrefix.size());
  if (rest.empty()) return false;
  const std::size_t slash = FirstSlash(rest);
  const std::string_view first = rest.substr(0, slash);
  if (first.find('=') != std::string_view::npos) {
    parsed.dn = UnescapeSlashes(rest);
    return true;
  }
  if (first.empty() || !ParseServer(first, parsed)) return false;
  if (slash != std::string_view::npos) parsed.dn = UnescapeSlashes(rest.substr(slash + 1));
  return true;
}

std::string FormatAdsPath(std::string_view server, std::string_view dn) {
  std::string path(kPrefix);
  if (!server.empty()) {
    path += server;
    path += '/';
  }
  for (const char c : dn) {
    if (c == '/') path += '\\';
    path += c;
  }
  return path;
}
