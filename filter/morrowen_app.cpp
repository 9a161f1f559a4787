// The one application object of Morrowen.
#include "filter/morrowen_app.h"

#include "rules/rule_log.h"

CMorrowenApp::CMorrowenApp() : CWinApp(nullptr) {
  WriteRulesLog("--- Password Filter ---");
  WriteRulesLog("Process attach");
}

CMorrowenApp::~CMorrowenApp() {
  WriteRulesLog("--- Password Filter ---");
  WriteRulesLog("Process detach");
}

CMorrowenApp theApp;
