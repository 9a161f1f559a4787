// The netapi backend of a program that links none in (the password filter
// library): the backend module (netapi_backend_module.h), loaded at the
// first netapi call, so that a check that asks nothing of the directory
// loads none of Samba's or LDAP's libraries.
#pragma once

#include <string>

#include "platform/netapi/netapi_backend.h"

// One load of the module: its backend, or none and why.
struct CNetApiBackendModule {
  INetApiBackend* backend = nullptr;
  // ERROR_MOD_NOT_FOUND: the file is not there or does not load (a library
  // it needs is missing); ERROR_PROC_NOT_FOUND: it is not the backend module.
  DWORD status = 0;
};

// Loads the module at `path` (a path with a "/") and asks it for its
// backend. A module that loaded stays loaded to the process's end: Samba's
// libraries are not made to be unloaded.
CNetApiBackendModule LoadNetApiBackendModule(const std::string& path);

// The backend of the module beside the library (or program) that holds
// this code, loaded at the first call. When it does not load, every call
// answers with that load's status; it is not tried again.
INetApiBackend& ModuleNetApiBackend();
