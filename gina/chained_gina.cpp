// Binding the chained library's entry points by name.
#include "gina/chained_gina.h"

namespace {

ChainedEntryPoints g_chained{};
DWORD g_negotiatedVersion = WLX_VERSION_1_4;

template <class Pointer>
bool Bind(HMODULE library, const char* name, Pointer& pointer) {
  pointer = reinterpret_cast<Pointer>(GetProcAddress(library, name));
  return pointer != nullptr;
}

}  // namespace

ChainedEntryPoints& ChainedGina() { return g_chained; }

void SetNegotiatedVersion(DWORD version) { g_negotiatedVersion = version; }

void UnbindChainedEntryPoints() { g_chained = ChainedEntryPoints{}; }

int BindChainedEntryPoints(HMODULE library, DWORD version) {
  UnbindChainedEntryPoints();
  ChainedEntryPoints& c = g_chained;
#define VARNOK_BIND(name) \
  if (!Bind(library, #name, c.name)) return 0
  VARNOK_BIND(WlxInitialize);
  VARNOK_BIND(WlxDisplaySASNotice);
  VARNOK_BIND(WlxLoggedOutSAS);
  VARNOK_BIND(WlxActivateUserShell);
  VARNOK_BIND(WlxLoggedOnSAS);
  VARNOK_BIND(WlxDisplayLockedNotice);
  VARNOK_BIND(WlxIsLockOk);
  VARNOK_BIND(WlxWkstaLockedSAS);
  VARNOK_BIND(WlxIsLogoffOk);
  VARNOK_BIND(WlxLogoff);
  VARNOK_BIND(WlxShutdown);
  if (version > WLX_VERSION_1_0) {
    VARNOK_BIND(WlxStartApplication);
    VARNOK_BIND(WlxScreenSaverNotify);
  }
  if (version > WLX_VERSION_1_2) {
    VARNOK_BIND(WlxNetworkProviderLoad);
    VARNOK_BIND(WlxDisplayStatusMessage);
    VARNOK_BIND(WlxGetStatusMessage);
    VARNOK_BIND(WlxRemoveStatusMessage);
  }
  if (version >= WLX_VERSION_1_4) {
    VARNOK_BIND(WlxGetConsoleSwitchCredentials);
    VARNOK_BIND(WlxReconnectNotify);
    VARNOK_BIND(WlxDisconnectNotify);
  }
#undef VARNOK_BIND
  return 1;
}
