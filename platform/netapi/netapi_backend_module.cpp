// The backend module's one export (netapi_backend_module.h). Everything
// else in the module, the static libraries it holds included, stays inside
// it (netapi_backend_module.map), so its copies meet no other library's.
#include "platform/netapi/netapi_backend_module.h"

extern "C" __attribute__((visibility("default"))) INetApiBackend* VarnokNetApiBackend() {
  return &SambaNetApiBackend();
}
