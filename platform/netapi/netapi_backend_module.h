// The netapi backend as a module of its own: Samba's libnetapi and OpenLDAP's
// libldap come with it, so a program that links no backend in loads them
// only when it first asks netapi something (netapi_backend_loader.h). The
// module (netapi_backend_module.cpp) and its loader agree here on its file
// name and its one export.
#pragma once

#include "platform/netapi/netapi_backend.h"

// The module's file, beside the library that loads it.
inline constexpr char kNetApiBackendModuleFile[] = "varnok_netapi_backend.so";

// Its one export, a C name: the module's libnetapi backend, which lives as
// long as the module. Module and loader are built together with the same
// compiler, so the backend's C++ interface crosses between them unchanged.
inline constexpr char kNetApiBackendEntry[] = "VarnokNetApiBackend";
using NetApiBackendEntryFn = INetApiBackend* (*)();
