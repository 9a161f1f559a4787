// What the web object's tests share: the Kestrine library loaded as COM
// loads it, its exports, and a registry file in a folder of the test's own
// (VARNOK_REGISTRY points at it while the test runs).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/base/library_loader.h"
#include "platform/com/oleauto.h"
#include "tests/support/file_bytes.h"

struct CKestrineExports {
  HMODULE module = nullptr;
  HRESULT (*getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT (*canUnloadNow)() = nullptr;
  HRESULT (*registerServer)() = nullptr;
  HRESULT (*unregisterServer)() = nullptr;
};

// The library (loaded once for the process, as COM keeps it) and its exports.
const CKestrineExports& KestrineExports();
// Its full path.
std::string KestrinePath();

// A folder with registry.reg in it (not yet written) for each test.
class CRegistryFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string folder;
  std::string registryPath;
};
