// Loading icons from a module's resources.
#include "platform/windows/icon.h"

#include "platform/base/last_error.h"
#include "platform/windows/resources.h"
#include "platform/windows/window_table.h"

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) { return LoadIconA(instance, reinterpret_cast<LPCSTR>(name)); }

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  DWORD error = ERROR_SUCCESS;
  const ResourceEntry* resource = FindModuleResource(instance, RT_GROUP_ICON, name, error);
  if (resource == nullptr) {
    SetLastError(error);
    return nullptr;
  }
  const HICON icon = SharedIcon(instance, resource->id);
  if (icon == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return icon;
}
