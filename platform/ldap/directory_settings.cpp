// The Platform key's settings and the credentials file.
#include "platform/ldap/directory_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>

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

// One line on standard error for each file and reason, the first time.
void ReportRefusalOnce(const std::string& path, const std::string& refusal) {
  static std::mutex lock;
  static std::set<std::string> reported;
  {
    const std::lock_guard<std::mutex> hold(lock);
    if (!reported.insert(path + '\n' + refusal).second) return;
  }
  std::fprintf(stderr,
               "directory settings: CredentialsFile %s refused: it %s; using the process's Kerberos credentials\n",
               path.c_str(), refusal.c_str());
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
  if (path.empty()) return false;
  std::string refusal;
  if (ReadCredentialsFile(path, credentials, &refusal)) return true;
  ReportRefusalOnce(path, refusal);
  return false;
}

bool ReadCredentialsFile(const std::string& path, CDirectoryCredentials& credentials, std::string* refusal) {
  std::string why;
  struct stat info{};
  if (::lstat(path.c_str(), &info) != 0) {
    why = "cannot be read: " + std::error_code(errno, std::generic_category()).message();
  } else if (!S_ISREG(info.st_mode)) {
    why = "is not a regular file";
  } else if (info.st_uid != 0) {
    why = "is owned by uid " + std::to_string(info.st_uid) + ", not by root";
  } else if ((info.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    why = std::string("has mode ") + mode + ": group and others may read or write it";
  } else {
    const bool read = ForEachTextFileLine(path, [&](std::string_view line) {
      const std::size_t equals = line.find('=');
      if (equals == std::string_view::npos) return;
      const std::string_view key = Trim(line.substr(0, equals));
      const std::string_view value = Trim(line.substr(equals + 1));
      if (key == "username") credentials.userName = value;
      else if (key == "password") credentials.password = value;
      else if (key == "domain") credentials.domain = value;
    });
    if (!read) why = "cannot be read";
    else if (credentials.userName.empty()) why = "names no username";
  }
  if (refusal != nullptr) *refusal = why;
  return why.empty();
}
