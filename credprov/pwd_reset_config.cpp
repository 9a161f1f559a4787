// Reading the provider's settings: the product key, the LogonUI key's last
// user, and the domain controller as the fallback server.
#include "credprov/pwd_reset_config.h"

#include "credprov/registry_values.h"
#include "platform/netapi/netapi.h"
#include "platform/registry/registry.h"

namespace {

// Closes an opened key when it goes.
class CRegistryKey {
 public:
  CRegistryKey(HKEY root, const char16_t* path) {
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) key = nullptr;
  }
  ~CRegistryKey() {
    if (key != nullptr) RegCloseKey(key);
  }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  HKEY Get() const { return key; }

 private:
  HKEY key = nullptr;
};

}  // namespace

CPwdResetConfig::CPwdResetConfig() { ReadRegistry(); }

void CPwdResetConfig::ReadRegistry() {
  std::optional<std::u16string> centralServer;
  ReadProductKey(centralServer);
  // The text is one host name, never a list.
  if (centralServer) servers.Add(*centralServer);
  ReadLastLoggedOnDomain();
  AddDomainController();
}

void CPwdResetConfig::ReadProductKey(std::optional<std::u16string>& centralServer) {
  const CRegistryKey key(HKEY_LOCAL_MACHINE, PROVIDER_PRODUCT_KEY);
  if (key.Get() == nullptr) return;
  centralServer = ReadRegistryString(key.Get(), u"CentralServer");
  bannerText = ReadRegistryString(key.Get(), u"BannerText");
  customTileImage = ReadRegistryString(key.Get(), u"CustomTileImage");
  motdFile = ReadRegistryString(key.Get(), u"MOTDFile");
  motdCaption = ReadRegistryString(key.Get(), u"MOTDCaption");
  // A text value counts with its UTF-16 bytes, as the wide query gives them.
  if (const auto number = ReadRegistryNumber(key.Get(), {}, "ProtocolVersion", RegistryTextBytes::Wide)) {
    protocolVersion = static_cast<std::int32_t>(*number);
  }
  if (const auto number = ReadRegistryNumber(key.Get(), {}, "RequestEncryption", RegistryTextBytes::Wide)) {
    requestEncryption = static_cast<std::int32_t>(*number);
  }
  if (const auto number = ReadRegistryNumber(key.Get(), {}, "HideAnswers", RegistryTextBytes::Wide)) {
    hideAnswers = *number != 0 ? 1 : 0;
  }
}

void CPwdResetConfig::ReadLastLoggedOnDomain() {
  const CRegistryKey key(HKEY_LOCAL_MACHINE, LOGON_UI_KEY);
  if (key.Get() == nullptr) return;
  const auto lastUser = ReadRegistryWideText(key.Get(), u"LastLoggedOnUser", LAST_USER_BUFFER_BYTES);
  if (!lastUser) return;
  // "DOMAIN\user"; a bare name has the empty domain.
  const std::size_t backslash = lastUser->find(u'\\');
  defaultDomain = backslash == std::u16string::npos ? std::u16string() : lastUser->substr(0, backslash);
}

void CPwdResetConfig::AddDomainController() {
  LPBYTE buffer = nullptr;
  // No domain known: the primary domain's controller.
  const NET_API_STATUS status = NetGetDCName(nullptr, GetDefaultDomain(), &buffer);
  if (status == NERR_Success && buffer != nullptr) {
    servers.Add(ControllerHostName(reinterpret_cast<const char16_t*>(buffer)));
  }
  NetApiBufferFree(buffer);
}

std::u16string_view ControllerHostName(std::u16string_view controllerName) {
  if (controllerName.starts_with(u"\\\\")) controllerName.remove_prefix(2);
  return controllerName;
}
