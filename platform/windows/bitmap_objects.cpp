// The process's bitmaps: made by the loaders, read and freed by handle.
#include "platform/windows/bitmap_objects.h"

#include <cstring>
#include <mutex>
#include <new>
#include <set>

namespace {

struct CBitmapObject {
  LONG width = 0;
  LONG height = 0;
  LONG rowBytes = 0;
  WORD bitsPerPixel = 0;
  std::vector<unsigned char> pixels;
};

std::mutex g_bitmapsLock;
std::set<const void*> g_bitmaps;

}  // namespace

HBITMAP AddBitmapObject(LONG width, LONG height, LONG rowBytes, WORD bitsPerPixel,
                        std::vector<unsigned char> pixels) {
  auto* object = new (std::nothrow) CBitmapObject{width, height, rowBytes, bitsPerPixel, std::move(pixels)};
  if (object == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(g_bitmapsLock);
  g_bitmaps.insert(object);
  return reinterpret_cast<HBITMAP>(object);
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
  std::lock_guard<std::mutex> hold(g_bitmapsLock);
  if (g_bitmaps.count(object) == 0 || buffer == nullptr || size < static_cast<int>(sizeof(BITMAP))) return 0;
  const auto* bitmap = static_cast<const CBitmapObject*>(object);
  const BITMAP info{0, bitmap->width, bitmap->height, bitmap->rowBytes, 1, bitmap->bitsPerPixel, nullptr};
  std::memcpy(buffer, &info, sizeof info);
  return sizeof(BITMAP);
}

BOOL DeleteObject(HGDIOBJ object) {
  std::lock_guard<std::mutex> hold(g_bitmapsLock);
  if (g_bitmaps.erase(object) == 0) return FALSE;
  delete static_cast<CBitmapObject*>(object);
  return TRUE;
}
