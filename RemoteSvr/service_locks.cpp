// The one CServiceLocks.
#include "RemoteSvr/service_locks.h"

CServiceLocks& ServiceLocks() {
  static CServiceLocks* const locks = new CServiceLocks;
  return *locks;
}
