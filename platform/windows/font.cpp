// Creating fonts.
#include "platform/windows/font.h"

#include <cstring>
#include <string_view>

#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/windows/gdi_objects.h"

HFONT CreateFontIndirectA(const LOGFONTA* description) {
  if (description == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LOGFONTA font = *description;
  // The face name need not end within its field; keep what fits.
  const std::string_view face(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
  const std::size_t keep = Utf8CutPoint(face, LF_FACESIZE - 1);
  std::memset(font.lfFaceName + keep, 0, LF_FACESIZE - keep);
  const HFONT handle = AddFontObject(font);
  if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return handle;
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<BYTE>(italic);
  font.lfUnderline = static_cast<BYTE>(underline);
  font.lfStrikeOut = static_cast<BYTE>(strikeOut);
  font.lfCharSet = static_cast<BYTE>(charSet);
  font.lfOutPrecision = static_cast<BYTE>(outPrecision);
  font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  font.lfQuality = static_cast<BYTE>(quality);
  font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName != nullptr) {
    const std::string_view face(faceName);
    const std::size_t keep = Utf8CutPoint(face, LF_FACESIZE - 1);
    std::memcpy(font.lfFaceName, faceName, keep);
  }
  return CreateFontIndirectA(&font);
}
