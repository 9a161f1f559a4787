// The web object's shared test fixture.
#include "webobject/tests/kestrine_fixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

std::string KestrinePath() { return std::filesystem::canonical(KESTRINE_LIBRARY).string(); }

const CKestrineExports& KestrineExports() {
  static const CKestrineExports exports = [] {
    CKestrineExports found;
    const HMODULE library = LoadLibraryA(KestrinePath().c_str());
    if (library == nullptr) return found;
    found.module = library;
    found.getClassObject =
        reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(GetProcAddress(library, "DllGetClassObject"));
    found.canUnloadNow = reinterpret_cast<HRESULT (*)()>(GetProcAddress(library, "DllCanUnloadNow"));
    found.registerServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(library, "DllRegisterServer"));
    found.unregisterServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(library, "DllUnregisterServer"));
    return found;
  }();
  return exports;
}

void CRegistryFolderTest::SetUp() {
  char pattern[] = "/tmp/kestrine_XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  folder = pattern;
  registryPath = folder + "/registry.reg";
  ::setenv("VARNOK_REGISTRY", registryPath.c_str(), 1);
  ASSERT_NE(KestrineExports().registerServer, nullptr) << "Kestrine did not load from " << KESTRINE_LIBRARY;
}

void CRegistryFolderTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}
