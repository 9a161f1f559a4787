// A module's resources (bitmaps, dialog templates) compiled into it as data
// and found by type and id: the module hands its table in when it is loaded
// and takes it back when it goes, keyed by its instance handle.
#pragma once

#include <cstddef>

#include "platform/windows/window_types.h"

// Resource types by number.
inline constexpr WORD RT_BITMAP = 2;
inline constexpr WORD RT_ICON = 3;
inline constexpr WORD RT_DIALOG = 5;
inline constexpr WORD RT_GROUP_ICON = 14;

inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// One resource: a bitmap is the bytes of a device-independent bitmap (its
// info header, colour table and pixels, as a resource file holds it); a
// dialog is a DialogTemplate (dialog.h); an icon (RT_GROUP_ICON) is any
// bytes (an icon file's, say): nothing draws it.
struct ResourceEntry {
  WORD type;
  WORD id;
  const void* data;
  std::size_t size;
};

// The table stays the module's; a second registration replaces the first.
void RegisterModuleResources(HINSTANCE module, const ResourceEntry* entries, std::size_t count);
void UnregisterModuleResources(HINSTANCE module);

// The resource, or null with `error` set: ERROR_RESOURCE_DATA_NOT_FOUND for
// a module without resources, ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_NAME_NOT_FOUND. Names must be numbers (MAKEINTRESOURCE).
// (The caller sets its last error: that is its own module's.)
const ResourceEntry* FindModuleResource(HINSTANCE module, WORD type, const void* name, DWORD& error);
