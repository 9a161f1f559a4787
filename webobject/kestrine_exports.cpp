// The library's exports and its application object, which starts the
// module when the library is loaded.
#include "webobject/kestrine_exports.h"

#include "platform/base/module_file_name.h"
#include "platform/base/winapp.h"
#include "platform/winsock/winsock.h"
#include "webobject/kestrine_module.h"
#include "webobject/kestrine_registration.h"
#include "webobject/pwd_reset_request_interface.h"

namespace {

// Socket start-up once at load; nothing is ever torn down at unload, as
// other code of the process may still use the sockets layer.
class CKestrineApp : public CWinApp {
 public:
  CKestrineApp() : CWinApp(u"Kestrine") {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 0), &data);
  }
};

CKestrineApp theApp;

}  // namespace

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(rclsid, CLSID_PwdResetRequest)) return CLASS_E_CLASSNOTAVAILABLE;
  return GetPwdResetRequestFactory(riid, object);
}

HRESULT DllCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

HRESULT DllRegisterServer() {
  return RegisterKestrine(ModulePathOfAddress(reinterpret_cast<const void*>(&DllRegisterServer)));
}

HRESULT DllUnregisterServer() { return UnregisterKestrine(); }
