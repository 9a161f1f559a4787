// A Winlogon that ends its process with Vantrope in it: it loads the
// library with the fake chained library as the system's own, negotiates,
// initialises and makes the logged-on SAS call, whose chained dialog opens
// the library's rules dialog through the hooked table, then ends as its
// first argument says (tests/support/process_end.h).
#include "gina/tests/fake_gina_record.h"
#include "gina/tests/gina_test_system.h"
#include "gina/tests/window_view.h"
#include "gina/tests/winlogon_driver.h"
#include "tests/support/process_end.h"

namespace {

constexpr WORD kRulesDialog = 101;

// The SAS call through the hook; the library's handle, kept loaded.
HMODULE RunSas() {
  CGinaTestSystem system(FakeGinaVariant::Full);
  system.WriteSystemFile("Vantrope.Txt", "Password Rules\nEight characters at least.\n");
  CWinlogonDriver winlogon;
  if (winlogon.Library() == nullptr) HostFailed("cannot load the library");
  if (!winlogon.Negotiate(WLX_VERSION_1_4)) HostFailed("negotiation refused");
  if (winlogon.Initialize() != FakeGinaAnswer("WlxInitialize")) HostFailed("initialisation refused");
  bool rulesSeen = false;
  {
    CModalAgentScope agent([&rulesSeen](HWND dialog) {
      if (DialogTemplateIdOf(dialog) == kRulesDialog) rulesSeen = true;
      return false;
    });
    winlogon.LoggedOnSAS();
  }
  if (!rulesSeen) HostFailed("the rules dialog did not open");
  return winlogon.Library();
}

}  // namespace

int main(int argc, char** argv) {
  const auto end = ProcessEndOf(argc, argv);
  if (!end) return 2;
  EndProcess(*end, RunSas());
}
