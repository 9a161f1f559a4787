// A type library as the registry knows it: its identity, version and help
// string, and the dual interfaces it describes (dispatch_table.h), with the
// keys that registering it writes under HKEY_CLASSES_ROOT\TypeLib and
// HKEY_CLASSES_ROOT\Interface of the registry file.
#pragma once

#include "platform/com/dispatch_table.h"

struct CTypeLibrary {
  GUID libid;
  WORD majorVersion;
  WORD minorVersion;
  LPCOLESTR name;
  LPCOLESTR helpString;
  const CDispatchInterface* const* interfaces;
  UINT interfaceCount;
};

// The automation marshaller, the proxy class of every dual interface.
inline constexpr CLSID CLSID_PSOAInterface{
    0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Writes, after removing what an earlier registration left:
//   TypeLib\{libid}\<major>.<minor>       @ = help string (else the name)
//   ...\<major>.<minor>\0\win64          @ = modulePath
//   ...\<major>.<minor>\FLAGS            @ = "0"
//   ...\<major>.<minor>\HELPDIR          @ = modulePath's folder
//   Interface\{iid}                       @ = interface name
//   Interface\{iid}\ProxyStubClsid(32)    @ = CLSID_PSOAInterface
//   Interface\{iid}\TypeLib               @ = {libid}, Version = <major>.<minor>
// S_OK, or the first failure as HRESULT_FROM_WIN32 of the registry's code.
HRESULT RegisterTypeLibrary(const CTypeLibrary& library, LPCOLESTR modulePath);

// Removes the version's key (and TypeLib\{libid} when nothing else is left
// in it) and every interface's key; keys already gone are no failure.
HRESULT UnRegisterTypeLibrary(const CTypeLibrary& library);
