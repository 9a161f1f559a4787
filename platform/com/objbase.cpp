// COM's per-thread initialisation: a count, as nothing here needs more.
#include "platform/com/objbase.h"

namespace {

thread_local int comInitialisations = 0;

}  // namespace

HRESULT CoInitialize(void*) { return comInitialisations++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (comInitialisations > 0) --comInitialisations;
}
