// Bitmaps from BMP files and from module resources: sound pictures load at
// their size and depth, every kind of damaged file is refused with its
// error, and resources are found by type and id.
#include "platform/windows/bitmap.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/windows/resources.h"

namespace {

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Info header, colour table and rows of a width by height picture.
std::string Dib(std::int32_t width, std::int32_t height, int bits) {
  std::string dib(40, '\0');
  Put32(dib, 0, 40);
  Put32(dib, 4, static_cast<std::uint32_t>(width));
  Put32(dib, 8, static_cast<std::uint32_t>(height));
  dib[12] = 1;
  dib[14] = static_cast<char>(bits);
  if (bits <= 8) dib += std::string((1u << bits) * 4, '\x7F');
  const std::size_t row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  dib += std::string(row * static_cast<std::size_t>(std::abs(height)), '\x11');
  return dib;
}

std::string BmpFile(const std::string& dib) {
  std::string file = "BM" + std::string(12, '\0') + dib;
  Put32(file, 2, static_cast<std::uint32_t>(file.size()));
  const std::uint32_t colours = static_cast<unsigned char>(dib[14]) <= 8 ? (1u << dib[14]) : 0;
  Put32(file, 10, 14 + 40 + colours * 4);
  return file;
}

class BitmapFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/bitmap_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::u16string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    return Utf8ToUtf16(folder + "/" + name);
  }
  std::string folder;
};

TEST_F(BitmapFileTest, SoundFilesLoadAtTheirSizeAndDepth) {
  struct Case {
    std::int32_t width, height;
    int bits;
  };
  for (const Case& c : {Case{128, 128, 8}, Case{3, -2, 24}, Case{1, 1, 1}, Case{5, 7, 32}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.bits));
    const std::u16string path = Write("good.bmp", BmpFile(Dib(c.width, c.height, c.bits)));
    const HANDLE image = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(image, nullptr) << GetLastError();
    BITMAP info{};
    ASSERT_EQ(GetObjectW(image, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, std::abs(c.height));
    EXPECT_EQ(info.bmBitsPixel, c.bits);
    EXPECT_TRUE(DeleteObject(image));
    EXPECT_FALSE(DeleteObject(image));
    EXPECT_EQ(GetObjectW(image, sizeof info, &info), 0);
  }
}

TEST_F(BitmapFileTest, DamagedFilesAreRefused) {
  const std::string good = BmpFile(Dib(4, 4, 8));
  std::string notBm = good;
  notBm[0] = 'X';
  std::string compressed = good;
  Put32(compressed, 14 + 16, 1);
  std::string offsetPastEnd = good;
  Put32(offsetPastEnd, 10, static_cast<std::uint32_t>(good.size() + 1));
  std::string hugeWidth = good;
  Put32(hugeWidth, 14 + 4, 0x7FFFFFFF);
  std::string headerTooLarge = good;
  Put32(headerTooLarge, 14, 0x10000000);
  std::string zeroHeight = good;
  Put32(zeroHeight, 14 + 8, 0);
  std::string oddDepth = good;
  oddDepth[14 + 14] = 7;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"no BM", notBm},
      {"rows cut short", good.substr(0, good.size() - 1)},
      {"compressed", compressed},
      {"pixels past the end", offsetPastEnd},
      {"width beyond reason", hugeWidth},
      {"header larger than the file", headerTooLarge},
      {"no rows", zeroHeight},
      {"depth 7", oddDepth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::u16string path = Write("bad.bmp", c.bytes);
    SetLastError(0);
    EXPECT_EQ(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
  }
  const std::u16string missing = Utf8ToUtf16(folder + "/missing.bmp");
  EXPECT_EQ(LoadImageW(nullptr, missing.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  const std::u16string path = Write("good.bmp", good);
  EXPECT_EQ(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 16, 16, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(BitmapResourceTest, FoundByTypeAndIdInItsModuleOnly) {
  static const std::string dib = Dib(16, 8, 8);
  static const ResourceEntry entries[] = {{RT_BITMAP, 101, dib.data(), dib.size()}};
  int anchor = 0;
  const auto module = reinterpret_cast<HINSTANCE>(&anchor);
  RegisterModuleResources(module, entries, 1);

  const HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(101));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 16);
  EXPECT_EQ(info.bmHeight, 8);
  DeleteObject(bitmap);

  struct Case {
    HINSTANCE module;
    WORD id;
    DWORD error;
  };
  int other = 0;
  for (const Case& c : {Case{module, 102, ERROR_RESOURCE_NAME_NOT_FOUND},
                        Case{reinterpret_cast<HINSTANCE>(&other), 101, ERROR_RESOURCE_DATA_NOT_FOUND},
                        Case{nullptr, 101, ERROR_RESOURCE_DATA_NOT_FOUND}}) {
    EXPECT_EQ(LoadBitmapA(c.module, MAKEINTRESOURCEA(c.id)), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  DWORD error = 0;
  EXPECT_EQ(FindModuleResource(module, RT_DIALOG, MAKEINTRESOURCEW(101), error), nullptr);
  EXPECT_EQ(error, ERROR_RESOURCE_TYPE_NOT_FOUND);
  UnregisterModuleResources(module);
  EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(101)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
}

}  // namespace
