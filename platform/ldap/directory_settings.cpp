// The Platform key's settings and the credentials file.
#include "platform/ldap/directory_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "platform/registry/registry.h"
#include "platform/base/text_file.h"
#include "platform/base/wipe.h"

namespace {

constexpr char kPlatformKey[] = "Software\\Varnok AG\\Platform";

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string PlatformValue(const char* name) {
  std::string value;
  if (!ReadRegistryText(HKEY_LOCAL_MACHINE, kPlatformKey, name, value)) value.clear();
  return value;
}

}  // namespace

CDirectoryCredentials::~CDirectoryCredentials() { WipeString(password); }

std::string LocalDomainController() { return PlatformValue("LocalDomainController"); }

bool ReadDirectoryCredentials(CDirectoryCredentials& credentials) {
  const std::string path = PlatformValue("CredentialsFile");
  return !path.empty() && ReadCredentialsFile(path, credentials);
}

bool ReadCredentialsFile(const std::string& path, CDirectoryCredentials& credentials) {
  struct stat info{};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != 0 ||
      (info.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) != 0)
    return false;
  const bool read = ForEachTextFileLine(path, [&](std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "username") credentials.userName = value;
    else if (key == "password") credentials.password = value;
    else if (key == "domain") credentials.domain = value;
  });
  return read && !credentials.userName.empty();
}
