// The system's own GINA library ("MSGINA.DLL"), which does the logon work:
// its handle and one pointer per entry point, bound by name for the version
// agreed with Winlogon. Every Winlogon call is passed on through these.
#pragma once

#include "platform/base/library_loader.h"
#include "platform/winlogon/wlx_entry_points.h"

// Null until bound; a pointer the agreed version does not need stays null.
struct ChainedEntryPoints {
  PFWLXINITIALIZE WlxInitialize;
  PFWLXDISPLAYSASNOTICE WlxDisplaySASNotice;
  PFWLXLOGGEDOUTSAS WlxLoggedOutSAS;
  PFWLXACTIVATEUSERSHELL WlxActivateUserShell;
  PFWLXLOGGEDONSAS WlxLoggedOnSAS;
  PFWLXDISPLAYLOCKEDNOTICE WlxDisplayLockedNotice;
  PFWLXISLOCKOK WlxIsLockOk;
  PFWLXWKSTALOCKEDSAS WlxWkstaLockedSAS;
  PFWLXISLOGOFFOK WlxIsLogoffOk;
  PFWLXLOGOFF WlxLogoff;
  PFWLXSHUTDOWN WlxShutdown;
  PFWLXSTARTAPPLICATION WlxStartApplication;
  PFWLXSCREENSAVERNOTIFY WlxScreenSaverNotify;
  PFWLXNETWORKPROVIDERLOAD WlxNetworkProviderLoad;
  PFWLXDISPLAYSTATUSMESSAGE WlxDisplayStatusMessage;
  PFWLXGETSTATUSMESSAGE WlxGetStatusMessage;
  PFWLXREMOVESTATUSMESSAGE WlxRemoveStatusMessage;
  PFWLXGETCONSOLESWITCHCREDENTIALS WlxGetConsoleSwitchCredentials;
  PFWLXRECONNECTNOTIFY WlxReconnectNotify;
  PFWLXDISCONNECTNOTIFY WlxDisconnectNotify;
};

// The process's one set, read by the pass-throughs.
ChainedEntryPoints& ChainedGina();

// The chained library's name as Winlogon's configuration gives it.
inline constexpr char CHAINED_GINA_NAME[] = "MSGINA.DLL";

// Binds, in the published order, the entry points that version `version`
// requires: 1 when all were found; 0 at the first one missing, with the rest
// left unbound. Every pointer is cleared first, so none survives from an
// earlier negotiation.
int BindChainedEntryPoints(HMODULE library, DWORD version);
// Clears every pointer: a negotiation that fails before binding leaves
// none from an earlier one.
void UnbindChainedEntryPoints();

// Keeps the version agreed by the last successful WlxNegotiate (1.4 before
// any).
void SetNegotiatedVersion(DWORD version);
