// The open keys of the process, as the system keeps them for a Windows
// process: this is what lets a stale or made-up handle be refused with
// ERROR_INVALID_HANDLE rather than followed.
#include "platform/registry/registry_handles.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

// Handle numbers start above the roots' values.
class COpenKeys {
 public:
  HKEY Add(std::string path) {
    std::lock_guard<std::mutex> hold(m_lock);
    const std::uintptr_t handle = m_next;
    m_next += 4;
    m_paths.emplace(handle, std::move(path));
    return reinterpret_cast<HKEY>(handle);
  }

  bool Find(HKEY key, std::string& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_paths.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == m_paths.end()) return false;
    path = found->second;
    return true;
  }

  bool Remove(HKEY key) {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_paths.erase(reinterpret_cast<std::uintptr_t>(key)) != 0;
  }

 private:
  static_assert(sizeof(std::uintptr_t) >= 8, "handle numbers start above 32 bits");
  std::mutex m_lock;
  std::unordered_map<std::uintptr_t, std::string> m_paths;
  std::uintptr_t m_next = std::uintptr_t{1} << 32;
};

COpenKeys& OpenKeys() {
  static COpenKeys keys;
  return keys;
}

std::string_view RootPath(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (key == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (key == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  return {};
}

}  // namespace

bool IsRegistryRoot(HKEY key) { return !RootPath(key).empty(); }

bool RegistryKeyPath(HKEY key, std::string& path) {
  const std::string_view root = RootPath(key);
  if (!root.empty()) {
    path.assign(root);
    return true;
  }
  return OpenKeys().Find(key, path);
}

HKEY AddOpenRegistryKey(std::string path) { return OpenKeys().Add(std::move(path)); }

bool RemoveOpenRegistryKey(HKEY key) { return OpenKeys().Remove(key); }

