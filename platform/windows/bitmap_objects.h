// The live bitmaps of the process (part of the desktop, see window_table.h).
#pragma once

#include <vector>

#include "platform/windows/bitmap.h"

// A new bitmap holding `pixels` (rows of `rowBytes`); null when no memory.
HBITMAP AddBitmapObject(LONG width, LONG height, LONG rowBytes, WORD bitsPerPixel,
                        std::vector<unsigned char> pixels);
