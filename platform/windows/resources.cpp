// The modules' resource tables.
#include "platform/windows/resources.h"

#include <map>
#include <mutex>

#include "platform/windows/desktop_state.h"

namespace {

struct CModuleTable {
  const ResourceEntry* entries;
  std::size_t count;
};

struct CResourceTables {
  std::mutex lock;
  std::map<HINSTANCE, CModuleTable> modules;
};

}  // namespace

void RegisterModuleResources(HINSTANCE module, const ResourceEntry* entries, std::size_t count) {
  auto& tables = DesktopState<CResourceTables>();
  std::lock_guard<std::mutex> hold(tables.lock);
  tables.modules[module] = CModuleTable{entries, count};
}

void UnregisterModuleResources(HINSTANCE module) {
  auto& tables = DesktopState<CResourceTables>();
  std::lock_guard<std::mutex> hold(tables.lock);
  tables.modules.erase(module);
}

const ResourceEntry* FindModuleResource(HINSTANCE module, WORD type, const void* name, DWORD& error) {
  auto& tables = DesktopState<CResourceTables>();
  std::lock_guard<std::mutex> hold(tables.lock);
  const auto found = tables.modules.find(module);
  if (found == tables.modules.end() || module == nullptr) {
    error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return nullptr;
  }
  bool typeSeen = false;
  for (std::size_t i = 0; i < found->second.count; ++i) {
    const ResourceEntry& entry = found->second.entries[i];
    if (entry.type != type) continue;
    typeSeen = true;
    if (IS_INTRESOURCE(name) && entry.id == reinterpret_cast<std::uintptr_t>(name)) return &entry;
  }
  error = typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
  return nullptr;
}
