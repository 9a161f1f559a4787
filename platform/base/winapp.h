// The class library's application object: one per module, constructed when
// the module is loaded and destroyed when it is unloaded. Only what our
// modules use of it is here.
#pragma once

#include "platform/base/wintypes.h"

class CWinApp {
 public:
  explicit CWinApp(LPCWSTR appName = nullptr) : m_appName(appName) {}
  virtual ~CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  LPCWSTR AppName() const { return m_appName; }

 private:
  LPCWSTR m_appName;
};
