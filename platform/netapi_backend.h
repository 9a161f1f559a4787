// What the netapi layer asks of a directory, in plain C++ types (UTF-8
// strings, netapi's status codes): the seam between netapi.h's Windows
// shapes and whatever answers them. The process's backend is Samba's
// libnetapi (netapi_samba.cpp, which cannot see netapi.h: Samba's own
// header uses the same names); unit tests may put one of their own in its
// place.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wintypes.h"

// What the directory service locator tells about a domain controller.
struct CDomainControllerInfo {
  std::string controllerName;     // with its leading "\\" as the locator gives it
  std::string controllerAddress;
  DWORD addressType = 0;
  std::array<std::uint8_t, 16> domainGuid{};  // Data1..Data3 little-endian, then Data4
  std::string domainName;
  std::string forestName;
  DWORD flags = 0;
  std::string controllerSite;
  std::string clientSite;
};

class INetApiBackend {
 public:
  virtual ~INetApiBackend() = default;
  // `server` is empty for the local computer.
  virtual DWORD UserGetGroups(const std::string& server, const std::string& user,
                              std::vector<std::string>& groups) = 0;
  virtual DWORD UserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                                   std::vector<std::string>& groups) = 0;
  // The directory service locator: `server` empty for the local computer,
  // `domain` empty for the computer's own domain. Backends without a locator
  // answer ERROR_NOT_SUPPORTED (50).
  virtual DWORD GetDcName(const std::string& server, const std::string& domain, DWORD flags,
                          CDomainControllerInfo& info);
};

// The backend in force: the libnetapi one unless a test set its own.
INetApiBackend& NetApiBackend();

// Puts `backend` in force (a test's); nullptr restores the libnetapi one.
void SetNetApiBackend(INetApiBackend* backend);

// The libnetapi backend.
INetApiBackend& SambaNetApiBackend();
