// gdi32's bitmaps as the clients load them: from a BMP file (LoadImageW) or
// from a module's BITMAP resource (LoadBitmapA). A bitmap keeps the size,
// depth and pixel rows of its source; its holder frees it with DeleteObject.
// Every length in a file is checked before it is used.
#pragma once

#include "platform/windows/window_types.h"

struct HBITMAP__;
using HBITMAP = HBITMAP__*;
using HANDLE = void*;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;

// IMAGE_BITMAP only, at its own size (width and height 0). With
// LR_LOADFROMFILE `name` is a file path; else a resource of `instance`.
// Null with the last error: ERROR_FILE_NOT_FOUND, ERROR_INVALID_DATA for a
// file that is no bitmap of ours, ERROR_INVALID_PARAMETER, or the
// resource's.
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags);
// The module's RT_BITMAP resource; null with the last error.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);

// For a bitmap: fills a BITMAP (bmBits null) and returns its size; 0 for
// anything that is no live bitmap or a buffer too small. Fonts: font.h.
int GetObjectW(HGDIOBJ object, int size, void* buffer);
// Frees a bitmap or a font.
BOOL DeleteObject(HGDIOBJ object);
