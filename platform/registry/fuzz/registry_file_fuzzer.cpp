// libFuzzer target: a registry file parsed, and its first values read back
// through the registry calls in both forms, with buffers of the size they
// ask for and one byte short. Input: the file.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/text.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_file.h"
#include "tests/fuzz/scratch_directory.h"

namespace {

// Each call below reads the file afresh; a few values show every path.
constexpr int kValuesRead = 8;

const CScratchDirectory& RegistryFolder() {
  static const CScratchDirectory* const scratch = [] {
    static CScratchDirectory directory;
    ::setenv("VARNOK_REGISTRY", directory.File("registry.reg").c_str(), 1);
    return &directory;
  }();
  return *scratch;
}

HKEY RootOf(std::string_view folded) {
  if (folded == "hkey_local_machine") return HKEY_LOCAL_MACHINE;
  if (folded == "hkey_current_user") return HKEY_CURRENT_USER;
  if (folded == "hkey_classes_root") return HKEY_CLASSES_ROOT;
  return nullptr;
}

// Queries a value with no buffer, the buffer it asked for, and one byte less.
template <class Query>
void ReadBack(const Query& query) {
  DWORD type = 0, size = 0;
  if (query(&type, nullptr, &size) != ERROR_SUCCESS) return;
  std::vector<BYTE> buffer(size + 1);
  DWORD given = size;
  if (query(&type, buffer.data(), &given) != ERROR_SUCCESS || given != size) __builtin_trap();
  if (size > 0) {
    given = size - 1;
    if (query(&type, buffer.data(), &given) != ERROR_MORE_DATA || given != size) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CRegistryKeys keys;
  if (!ParseRegistryFile(bytes, keys)) return 0;
  for (const auto& [path, values] : keys) {
    if (!RegistryKeyExists(keys, path)) __builtin_trap();
    for (const auto& [name, value] : values) {
      RegistryValueBytes(value, false);
      RegistryValueBytes(value, true);
    }
  }

  const CScratchDirectory& folder = RegistryFolder();
  folder.Write("registry.reg", bytes);
  int read = 0;
  for (const auto& [path, values] : keys) {
    const std::size_t slash = path.find('\\');
    const HKEY root = RootOf(std::string_view(path).substr(0, slash));
    const std::string subKey = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    HKEY key = nullptr;
    if (root == nullptr || RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    for (const auto& entry : values) {
      if (read++ == kValuesRead) break;
      const std::string& name = entry.first;
      ReadBack([&](DWORD* type, BYTE* buffer, DWORD* length) {
        return RegQueryValueExA(key, name.c_str(), nullptr, type, buffer, length);
      });
      const std::u16string wideName = Utf8ToUtf16(name);
      ReadBack([&](DWORD* type, BYTE* buffer, DWORD* length) {
        return RegQueryValueExW(key, wideName.c_str(), nullptr, type, buffer, length);
      });
    }
    RegCloseKey(key);
    if (read > kValuesRead) break;
  }
  return 0;
}
