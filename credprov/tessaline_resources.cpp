// BITMAP 101, a 128 by 128 picture of 8 bits a pixel made at compile time,
// and DIALOG 102, the rules dialog, as data.
#include "credprov/tessaline_resources.h"

#include <array>
#include <cstdint>

#include "platform/windows/dialog.h"

namespace {

constexpr int kSide = 128;
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kPaletteSize = 256 * 4;
constexpr std::size_t kTileImageSize = kHeaderSize + kPaletteSize + kSide * kSide;

constexpr void Put32(std::array<unsigned char, kTileImageSize>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// A blue ramp with a light ring: the default when no tile image is set.
constexpr std::array<unsigned char, kTileImageSize> MakeTileImage() {
  std::array<unsigned char, kTileImageSize> bytes{};
  Put32(bytes, 0, kHeaderSize);
  Put32(bytes, 4, kSide);
  Put32(bytes, 8, kSide);
  bytes[12] = 1;
  bytes[14] = 8;
  for (int i = 0; i < 256; ++i) {
    bytes[kHeaderSize + i * 4 + 0] = static_cast<unsigned char>(96 + i * 159 / 255);  // blue
    bytes[kHeaderSize + i * 4 + 1] = static_cast<unsigned char>(32 + i * 160 / 255);  // green
    bytes[kHeaderSize + i * 4 + 2] = static_cast<unsigned char>(i * 128 / 255);       // red
  }
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int dx = x - kSide / 2, dy = y - kSide / 2;
      const int distance = dx * dx + dy * dy;
      const bool ring = distance > 40 * 40 && distance < 48 * 48;
      bytes[kHeaderSize + kPaletteSize + y * kSide + x] = static_cast<unsigned char>(ring ? 255 : (x + y) / 2);
    }
  }
  return bytes;
}

constexpr std::array<unsigned char, kTileImageSize> kTileImage = MakeTileImage();

const DialogItemTemplate kRulesItems[] = {
    {u"EDIT", u"", IDC_RULES_TEXT,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
         ES_AUTOVSCROLL,
     0, 7, 7, 238, 145},
};

const DialogTemplate kRulesDialog{
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFOREGROUND | DS_SETFONT | DS_FIXEDSYS,
    WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
    0,
    0,
    252,
    159,
    u"Varnok Password Reset",
    8,
    u"MS Shell Dlg",
    kRulesItems,
    1};

const ResourceEntry kResources[] = {
    {RT_BITMAP, IDB_TILE_IMAGE, kTileImage.data(), kTileImage.size()},
    {RT_DIALOG, IDD_RULES, &kRulesDialog, sizeof kRulesDialog},
};

}  // namespace

const ResourceEntry* TessalineResources(std::size_t& count) {
  count = sizeof kResources / sizeof kResources[0];
  return kResources;
}
