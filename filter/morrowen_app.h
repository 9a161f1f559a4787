// The filter library's application object: its construction and destruction
// mark the library's load and unload in the rule log.
#pragma once

#include "platform/base/winapp.h"

class CMorrowenApp : public CWinApp {
 public:
  CMorrowenApp();
  ~CMorrowenApp() override;
};
