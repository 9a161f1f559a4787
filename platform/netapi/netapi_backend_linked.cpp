// Samba's backend linked into the program (the reset service and the tests
// that call a real controller): it is the process's backend from the
// start, and no module is loaded. Nothing calls into this file, so the
// build names VarnokLinkedNetApiBackend to the linker as undefined, which
// takes the file out of its library and with it the registration below.
#include "platform/netapi/netapi_backend.h"

extern "C" void VarnokLinkedNetApiBackend() {}

namespace {

struct CRegistration {
  CRegistration() { SetLinkedNetApiBackend(&SambaNetApiBackend); }
} g_registration;

}  // namespace
