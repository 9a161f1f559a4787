// The live GDI objects of the process, bitmaps and fonts (part of the
// desktop, see window_table.h): made by the loaders and CreateFont, read
// with GetObject, freed with DeleteObject.
#pragma once

#include <vector>

#include "platform/windows/bitmap.h"
#include "platform/windows/font.h"

// A new bitmap holding `pixels` (rows of `rowBytes`); null when no memory.
HBITMAP AddBitmapObject(LONG width, LONG height, LONG rowBytes, WORD bitsPerPixel,
                        std::vector<unsigned char> pixels);
// A new font of the description; null when no memory.
HFONT AddFontObject(const LOGFONTA& description);
