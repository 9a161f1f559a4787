// Bitmaps from device-independent bitmap bytes: BMP files and resources.
#include "platform/windows/bitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/windows/gdi_objects.h"
#include "platform/windows/resources.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
// Larger pictures are refused rather than trusted.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::size_t kMaxFileBytes = 64u << 20;

std::uint32_t Read32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
std::uint16_t Read16(const unsigned char* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

// The DIB at `dib` (its info header first); `pixelOffset` is where the rows
// start counted from `dib`, or 0 for right after the colour table. Null
// with ERROR_INVALID_DATA when anything does not fit.
HBITMAP BitmapFromDib(const unsigned char* dib, std::size_t length, std::size_t pixelOffset) {
  SetLastError(ERROR_INVALID_DATA);
  if (length < kInfoHeaderSize) return nullptr;
  const std::uint32_t headerSize = Read32(dib);
  const auto width = static_cast<std::int32_t>(Read32(dib + 4));
  const auto height = static_cast<std::int32_t>(Read32(dib + 8));
  const std::uint16_t planes = Read16(dib + 12);
  const std::uint16_t bits = Read16(dib + 14);
  const std::uint32_t compression = Read32(dib + 16);
  const std::uint32_t coloursUsed = Read32(dib + 32);
  if (headerSize < kInfoHeaderSize || headerSize > length || planes != 1 || compression != 0) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (width <= 0 || width > kMaxSide || rows == 0 || rows > kMaxSide) return nullptr;
  const std::uint64_t paletteEntries = coloursUsed != 0 ? coloursUsed : (bits <= 8 ? (1u << bits) : 0);
  if (paletteEntries > 256) return nullptr;
  const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
  const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(rows);
  const std::uint64_t start = pixelOffset != 0 ? pixelOffset : headerSize + paletteEntries * 4;
  if (start > length || imageBytes > length - start) return nullptr;
  const HBITMAP bitmap = AddBitmapObject(width, static_cast<LONG>(rows), static_cast<LONG>(rowBytes), bits,
                                         std::vector<unsigned char>(dib + start, dib + start + imageBytes));
  SetLastError(bitmap != nullptr ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY);
  return bitmap;
}

HBITMAP BitmapFromFile(LPCWSTR path) {
  std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
  if (!in) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  std::vector<unsigned char> bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxFileBytes) {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
    }
  }
  if (bytes.size() < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  const std::uint32_t pixelsAt = Read32(bytes.data() + 10);
  if (pixelsAt < kFileHeaderSize + kInfoHeaderSize || pixelsAt > bytes.size()) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return BitmapFromDib(bytes.data() + kFileHeaderSize, bytes.size() - kFileHeaderSize, pixelsAt - kFileHeaderSize);
}

HBITMAP BitmapFromResource(HINSTANCE instance, const void* name) {
  DWORD error = ERROR_SUCCESS;
  const ResourceEntry* resource = FindModuleResource(instance, RT_BITMAP, name, error);
  if (resource == nullptr) {
    SetLastError(error);
    return nullptr;
  }
  return BitmapFromDib(static_cast<const unsigned char*>(resource->data), resource->size, 0);
}

}  // namespace

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags) {
  if (name == nullptr || type != IMAGE_BITMAP || width != 0 || height != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if ((flags & LR_LOADFROMFILE) != 0) {
    if (IS_INTRESOURCE(name)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    return BitmapFromFile(name);
  }
  return BitmapFromResource(instance, name);
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) { return BitmapFromResource(instance, name); }
