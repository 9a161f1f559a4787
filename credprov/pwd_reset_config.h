// The credential provider's settings, read from the registry when the object
// is built: the reset servers to try (CentralServer, then the controller of
// the last logged-on user's domain from NetGetDCName), the tile's texts and
// image, the message-of-the-day file, the protocol version and encryption to
// ask for, and whether answers are typed hidden. Nothing here writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "credprov/wide_string_array.h"

inline constexpr char16_t PROVIDER_PRODUCT_KEY[] = u"Software\\Varnok AG\\Varnok Password Reset";
inline constexpr char16_t LOGON_UI_KEY[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\LogonUI";

// LastLoggedOnUser is read into this many bytes: 255 characters and a zero.
inline constexpr std::uint32_t LAST_USER_BUFFER_BYTES = 512;

class CPwdResetConfig {
 public:
  // The defaults, then ReadRegistry. Cannot fail: a value that is missing or
  // unreadable keeps its default.
  CPwdResetConfig();
  CPwdResetConfig(const CPwdResetConfig&) = delete;
  CPwdResetConfig& operator=(const CPwdResetConfig&) = delete;

  // Host names to try, in order; may be empty. Sessions borrow it.
  const CWideStringArray& GetServers() const { return servers; }
  // The domain part of the last logged-on user ("" for a name without one),
  // or nullptr when that is unknown. The other texts: nullptr when not set.
  const char16_t* GetDefaultDomain() const { return TextOrNull(defaultDomain); }
  const char16_t* GetBannerText() const { return TextOrNull(bannerText); }
  const char16_t* GetCustomTileImage() const { return TextOrNull(customTileImage); }
  const char16_t* GetMotdFile() const { return TextOrNull(motdFile); }
  const char16_t* GetMotdCaption() const { return TextOrNull(motdCaption); }
  // -1 when not set.
  std::int32_t GetProtocolVersion() const { return protocolVersion; }
  // -1 when not set; bit 0 asks for Basic security, bit 1 for TLS.
  std::int32_t GetRequestEncryption() const { return requestEncryption; }
  // 1 unless HideAnswers is 0.
  std::uint32_t GetHideAnswers() const { return hideAnswers; }

 private:
  void ReadRegistry();
  void ReadProductKey(std::optional<std::u16string>& centralServer);
  void ReadLastLoggedOnDomain();
  void AddDomainController();

  static const char16_t* TextOrNull(const std::optional<std::u16string>& text) {
    return text ? text->c_str() : nullptr;
  }

  CWideStringArray servers;
  std::optional<std::u16string> defaultDomain;
  std::optional<std::u16string> bannerText;
  std::optional<std::u16string> customTileImage;
  std::optional<std::u16string> motdFile;
  std::optional<std::u16string> motdCaption;
  std::int32_t protocolVersion = -1;
  std::int32_t requestEncryption = -1;
  std::uint32_t hideAnswers = 1;
};

// The host name in a controller name as NetGetDCName gives it: without its
// leading "\\" when it has one, as it stands otherwise.
std::u16string_view ControllerHostName(std::u16string_view controllerName);
