// The library's resources, compiled in: the default tile image (BITMAP 101)
// and the rules dialog (DIALOG 102).
#pragma once

#include <cstddef>

#include "platform/windows/resources.h"

inline constexpr WORD IDB_TILE_IMAGE = 101;
inline constexpr WORD IDD_RULES = 102;
// The rules dialog's text control.
inline constexpr WORD IDC_RULES_TEXT = 1000;

// The table the loader hands to the windows layer.
const ResourceEntry* TessalineResources(std::size_t& count);
