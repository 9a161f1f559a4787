// The provider's settings from a table of registry files: every value, the
// types each accepts, the defaults, the last user's domain, and values stored
// in ways the registry editor allows but a reader must not trust.
#include "credprov/pwd_reset_config.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "credprov/tests/test_registry.h"
#include "platform/base/text.h"

namespace {

using Text = std::optional<std::u16string>;

Text Of(const char16_t* text) { return text == nullptr ? Text() : Text(text); }

std::vector<std::u16string> Servers(const CPwdResetConfig& config) {
  std::vector<std::u16string> servers;
  for (std::uint32_t i = 0; i < config.GetServers().GetCount(); ++i) servers.emplace_back(config.GetServers().Get(i));
  return servers;
}

std::string Show(const Text& text) { return text ? "\"" + Utf16ToUtf8(*text) + "\"" : "NULL"; }

// The hex list of a text's UTF-16LE bytes, as the registry editor writes it.
std::string HexOfWide(const std::u16string& text) {
  std::string hex;
  char pair[8];
  for (char16_t c : text) {
    std::snprintf(pair, sizeof(pair), "%02x,%02x,", c & 0xFF, c >> 8);
    hex += pair;
  }
  if (!hex.empty()) hex.pop_back();
  return hex;
}

struct Expected {
  std::vector<std::u16string> servers{};
  Text defaultDomain{};
  Text bannerText{};
  Text customTileImage{};
  Text motdFile{};
  Text motdCaption{};
  std::int32_t protocolVersion = -1;
  std::int32_t requestEncryption = -1;
  std::uint32_t hideAnswers = 1;
};

struct Case {
  const char* name;
  std::string productValues;
  std::string logonUiValues;
  Expected expected;
};

void Check(const Case& c, const CPwdResetConfig& config) {
  const Expected& e = c.expected;
  EXPECT_EQ(Servers(config), e.servers) << c.name;
  EXPECT_EQ(Show(Of(config.GetDefaultDomain())), Show(e.defaultDomain)) << c.name;
  EXPECT_EQ(Show(Of(config.GetBannerText())), Show(e.bannerText)) << c.name;
  EXPECT_EQ(Show(Of(config.GetCustomTileImage())), Show(e.customTileImage)) << c.name;
  EXPECT_EQ(Show(Of(config.GetMotdFile())), Show(e.motdFile)) << c.name;
  EXPECT_EQ(Show(Of(config.GetMotdCaption())), Show(e.motdCaption)) << c.name;
  EXPECT_EQ(config.GetProtocolVersion(), e.protocolVersion) << c.name;
  EXPECT_EQ(config.GetRequestEncryption(), e.requestEncryption) << c.name;
  EXPECT_EQ(config.GetHideAnswers(), e.hideAnswers) << c.name;
}

TEST(PwdResetConfig, ReadsEveryValueByItsTypeRules) {
  // 250 characters, a backslash and a name: 256 characters that fill the
  // 512-byte buffer with no zero after them.
  const std::u16string fullBuffer = std::u16string(250, u'D') + u"\\uuuuu";
  const Case cases[] = {
      {"nothing set", "", "", {}},
      {"every value",
       "\"CentralServer\"=\"reset.corp.example\"\r\n"
       "\"BannerText\"=\"Forgot your password?\"\r\n"
       "\"CustomTileImage\"=\"C:\\\\Images\\\\tile.bmp\"\r\n"
       "\"MOTDFile\"=\"C:\\\\Rules\\\\motd.txt\"\r\n"
       "\"MOTDCaption\"=\"Password rules\"\r\n"
       "\"ProtocolVersion\"=dword:00000001\r\n"
       "\"RequestEncryption\"=dword:00000003\r\n"
       "\"HideAnswers\"=dword:00000000\r\n",
       "\"LastLoggedOnUser\"=\"CORP\\\\jdoe\"\r\n",
       {.servers = {u"reset.corp.example"},
        .defaultDomain = u"CORP",
        .bannerText = u"Forgot your password?",
        .customTileImage = u"C:\\Images\\tile.bmp",
        .motdFile = u"C:\\Rules\\motd.txt",
        .motdCaption = u"Password rules",
        .protocolVersion = 1,
        .requestEncryption = 3,
        .hideAnswers = 0}},
      {"names in other letter case",
       "\"centralserver\"=\"Reset\"\r\n\"PROTOCOLVERSION\"=dword:00000002\r\n", "",
       {.servers = {u"Reset"}, .protocolVersion = 2}},
      // Expandable text is refused, never expanded.
      {"expandable texts refused",
       "\"CentralServer\"=hex(2):72,00,00,00\r\n\"BannerText\"=hex(2):41,00,00,00\r\n", "", {}},
      {"other text types refused",
       "\"CentralServer\"=hex(7):72,00,00,00,00,00\r\n\"MOTDFile\"=dword:00000001\r\n\"MOTDCaption\"=hex:41,00,00,00\r\n",
       "", {}},
      {"a list of servers is one name", "\"CentralServer\"=\"one.example;two.example\"\r\n", "",
       {.servers = {u"one.example;two.example"}}},
      {"an empty text", "\"BannerText\"=\"\"\r\n", "", {.bannerText = u""}},
      // Stored without a zero: read as stored, never past its end.
      {"text without its zero", "\"BannerText\"=hex(1):41,00,42,00\r\n\"CentralServer\"=hex(1):72,00\r\n", "",
       {.servers = {u"r"}, .bannerText = u"AB"}},
      {"text ends at its first zero", "\"MOTDCaption\"=hex(1):41,00,00,00,42,00,00,00\r\n", "",
       {.motdCaption = u"A"}},
      // An odd byte count is no whole text.
      {"text of an odd byte count", "\"BannerText\"=hex(1):41,00,42\r\n", "", {}},
      {"HideAnswers non-zero", "\"HideAnswers\"=dword:00000005\r\n", "", {}},
      // Numbers come from values of any type, at most 4 bytes of them.
      {"numbers of any type",
       "\"ProtocolVersion\"=hex:02\r\n\"RequestEncryption\"=hex(b):01,00,00,00,00,00,00,00\r\n"
       "\"HideAnswers\"=\"0\"\r\n",
       "", {.protocolVersion = 2}},
      {"negative and large numbers",
       "\"ProtocolVersion\"=dword:ffffffff\r\n\"RequestEncryption\"=dword:00000102\r\n", "",
       {.requestEncryption = 0x102}},
      {"last user without a domain", "", "\"LastLoggedOnUser\"=\"jdoe\"\r\n", {.defaultDomain = u""}},
      {"last user cut at the first backslash", "", "\"LastLoggedOnUser\"=\"CORP\\\\sub\\\\jdoe\"\r\n",
       {.defaultDomain = u"CORP"}},
      {"last user of any type", "", "\"LastLoggedOnUser\"=hex(2):43,00,5c,00,78,00,00,00\r\n", {.defaultDomain = u"C"}},
      {"last user filling the buffer without a zero", "",
       "\"LastLoggedOnUser\"=hex(1):" + HexOfWide(fullBuffer) + "\r\n",
       {.defaultDomain = std::u16string(250, u'D')}},
      {"last user longer than the buffer", "",
       "\"LastLoggedOnUser\"=\"" + std::string(300, 'L') + "\\\\jdoe\"\r\n", {}},
  };
  CTestRegistry registry;
  for (const Case& c : cases) {
    registry.Write(c.productValues, c.logonUiValues);
    const CPwdResetConfig config;
    Check(c, config);
  }
}

TEST(PwdResetConfig, DefaultsWithoutARegistryOrWithAFileOfAnotherFormat) {
  CTestRegistry registry;
  const Case defaults{"defaults", "", "", {}};
  registry.Remove();
  {
    const CPwdResetConfig config;
    Check(defaults, config);
  }
  registry.WriteText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n"
                     "\"CentralServer\"=\"reset\"\r\n");
  {
    const CPwdResetConfig config;
    Check(defaults, config);
  }
}

TEST(PwdResetConfig, ControllerNameLosesOnlyALeadingDoubleBackslash) {
  const struct {
    std::u16string given;
    std::u16string host;
  } cases[] = {
      {u"\\\\DC1", u"DC1"},
      {u"\\\\dc1.test.lan", u"dc1.test.lan"},
      {u"DC1", u"DC1"},
      {u"\\DC1", u"\\DC1"},
      {u"\\\\", u""},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ControllerHostName(c.given), c.host) << Utf16ToUtf8(c.given);
}

}  // namespace
