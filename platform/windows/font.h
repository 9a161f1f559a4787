// gdi32's fonts as the dialogs use them: a font is the LOGFONT it was made
// from, nothing more (nothing draws). Windows remember their font
// (WM_SETFONT, WM_GETFONT); a host reads a font back with GetObjectA.
#pragma once

#include "platform/windows/bitmap.h"  // DeleteObject
#include "platform/windows/window_types.h"

inline constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};

inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_MODERN = 0x30;

// A font of the description; the face name is cut to LF_FACESIZE - 1 bytes
// on a character boundary. Freed with DeleteObject (bitmap.h). Null for a
// null description.
HFONT CreateFontIndirectA(const LOGFONTA* description);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);

// For a font: fills a LOGFONTA and answers its size; for a bitmap as
// GetObjectW (bitmap.h). 0 for no live object or a buffer too small.
int GetObjectA(HGDIOBJ object, int size, void* buffer);
