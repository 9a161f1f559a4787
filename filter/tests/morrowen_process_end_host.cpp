// The Local Security Authority ending its process with Morrowen in it: it
// loads the filter, makes one PasswordFilter call, then ends as its first
// argument says (tests/support/process_end.h). The filter writes its rule
// log at load and at unload, so its system directory, a folder of the
// host's own, goes only after the library has had its say.
#include <dlfcn.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "platform/lsa/ntsecapi.h"
#include "tests/support/process_end.h"
#include "tests/support/scratch_folder.h"

namespace {

ScratchFolder* g_systemDirectory = nullptr;

// Registered before the library loads, so it runs after the library's own
// exit handlers.
void RemoveSystemDirectory() { delete g_systemDirectory; }

UNICODE_STRING Counted(std::u16string& text) {
  const auto bytes = static_cast<USHORT>(text.size() * sizeof(char16_t));
  return UNICODE_STRING{bytes, bytes, text.data()};
}

}  // namespace

int main(int argc, char** argv) {
  const auto end = ProcessEndOf(argc, argv);
  if (!end) return 2;
  g_systemDirectory = new ScratchFolder("morrowen-end");
  std::atexit(&RemoveSystemDirectory);
  ::setenv("VARNOK_SYSTEM_DIR", g_systemDirectory->Path().c_str(), 1);

  void* library = ::dlopen(MORROWEN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) HostFailed(::dlerror());
  const auto initialize = reinterpret_cast<BOOLEAN (*)()>(::dlsym(library, "InitializeChangeNotify"));
  const auto filter = reinterpret_cast<BOOLEAN (*)(PUNICODE_STRING, PUNICODE_STRING, PUNICODE_STRING, BOOLEAN)>(
      ::dlsym(library, "PasswordFilter"));
  if (initialize == nullptr || filter == nullptr) HostFailed("the library is not a password filter");
  if (!initialize()) HostFailed("the filter refused to initialise");
  std::u16string account = u"alice", fullName = u"Alice Example", password = u"Correct-Horse-9";
  UNICODE_STRING accountString = Counted(account);
  UNICODE_STRING fullNameString = Counted(fullName);
  UNICODE_STRING passwordString = Counted(password);
  filter(&accountString, &fullNameString, &passwordString, TRUE);
  EndProcess(*end, library);
}
