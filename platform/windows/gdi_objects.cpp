// The process's bitmaps and fonts, by handle.
#include "platform/windows/gdi_objects.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <variant>

#include "platform/windows/desktop_state.h"

namespace {

struct CBitmapObject {
  LONG width = 0;
  LONG height = 0;
  LONG rowBytes = 0;
  WORD bitsPerPixel = 0;
  std::vector<unsigned char> pixels;
};

using CGdiObject = std::variant<CBitmapObject, LOGFONTA>;

struct CGdiObjects {
  std::mutex lock;
  // The handle is the object's address.
  std::map<const void*, std::unique_ptr<CGdiObject>> byHandle;
};

CGdiObjects& Objects() { return DesktopState<CGdiObjects>(); }

void* AddObject(CGdiObject object) {
  std::unique_ptr<CGdiObject> held(new (std::nothrow) CGdiObject(std::move(object)));
  if (held == nullptr) return nullptr;
  void* handle = held.get();
  CGdiObjects& objects = Objects();
  std::lock_guard<std::mutex> hold(objects.lock);
  objects.byHandle.emplace(handle, std::move(held));
  return handle;
}

}  // namespace

HBITMAP AddBitmapObject(LONG width, LONG height, LONG rowBytes, WORD bitsPerPixel,
                        std::vector<unsigned char> pixels) {
  return static_cast<HBITMAP>(AddObject(CBitmapObject{width, height, rowBytes, bitsPerPixel, std::move(pixels)}));
}

HFONT AddFontObject(const LOGFONTA& description) { return static_cast<HFONT>(AddObject(description)); }

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
  CGdiObjects& objects = Objects();
  std::lock_guard<std::mutex> hold(objects.lock);
  const auto found = objects.byHandle.find(object);
  if (found == objects.byHandle.end() || buffer == nullptr) return 0;
  const auto* bitmap = std::get_if<CBitmapObject>(found->second.get());
  if (bitmap == nullptr || size < static_cast<int>(sizeof(BITMAP))) return 0;
  const BITMAP info{0, bitmap->width, bitmap->height, bitmap->rowBytes, 1, bitmap->bitsPerPixel, nullptr};
  std::memcpy(buffer, &info, sizeof info);
  return sizeof(BITMAP);
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
  {
    CGdiObjects& objects = Objects();
    std::lock_guard<std::mutex> hold(objects.lock);
    const auto found = objects.byHandle.find(object);
    if (found == objects.byHandle.end() || buffer == nullptr) return 0;
    if (const auto* font = std::get_if<LOGFONTA>(found->second.get())) {
      if (size < static_cast<int>(sizeof(LOGFONTA))) return 0;
      std::memcpy(buffer, font, sizeof(LOGFONTA));
      return sizeof(LOGFONTA);
    }
  }
  return GetObjectW(object, size, buffer);
}

BOOL DeleteObject(HGDIOBJ object) {
  CGdiObjects& objects = Objects();
  std::lock_guard<std::mutex> hold(objects.lock);
  return objects.byHandle.erase(object) != 0 ? TRUE : FALSE;
}
