// Creation by class over the registry file: a ProgID names its class under
// HKEY_CLASSES_ROOT\<ProgID>\CLSID, a class names its in-process server
// under HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32, and the server's
// DllGetClassObject makes the class object. A server once loaded stays
// loaded for the process, as its objects may outlive any one call.
#include <map>
#include <mutex>
#include <string>

#include "platform/base/library_loader.h"
#include "platform/base/text.h"
#include "platform/com/objbase.h"
#include "platform/registry/registry.h"

namespace {

// The servers loaded so far, by path.
class CLoadedServers {
 public:
  HMODULE Load(const std::string& path) {
    std::lock_guard<std::mutex> hold(lock);
    const auto found = modules.find(path);
    if (found != modules.end()) return found->second;
    const HMODULE module = LoadLibraryA(path.c_str());
    if (module != nullptr) modules.emplace(path, module);
    return module;
  }

 private:
  std::mutex lock;
  std::map<std::string, HMODULE> modules;
};

CLoadedServers& LoadedServers() {
  static CLoadedServers servers;
  return servers;
}

std::string GuidText(REFGUID guid) {
  WCHAR text[GUID_TEXT_LENGTH + 1];
  StringFromGUID2(guid, text, GUID_TEXT_LENGTH + 1);
  return Utf16ToUtf8(text);
}

}  // namespace

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
  *clsid = GUID_NULL;
  const std::string name = Utf16ToUtf8(progId);
  // A ProgID is one key name; a "\" would reach into another key.
  if (name.empty() || name.find('\\') != std::string::npos) return CO_E_CLASSSTRING;
  std::string text;
  if (!ReadRegistryText(HKEY_CLASSES_ROOT, name + "\\CLSID", "", text)) return CO_E_CLASSSTRING;
  return CLSIDFromString(Utf8ToUtf16(text).c_str(), clsid);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* /*serverInfo*/, REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return CLASS_E_CLASSNOTAVAILABLE;
  std::string path;
  if (!ReadRegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(clsid) + "\\InprocServer32", "", path) ||
      path.empty())
    return REGDB_E_CLASSNOTREG;
  const HMODULE server = LoadedServers().Load(path);
  if (server == nullptr) return CO_E_DLLNOTFOUND;
  const auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(server, "DllGetClassObject"));
  if (getClassObject == nullptr) return CO_E_ERRORINDLL;
  return getClassObject(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  const HRESULT found =
      CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(found)) return found;
  const HRESULT made = factory->CreateInstance(outer, riid, object);
  factory->Release();
  return made;
}
