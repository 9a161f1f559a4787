// The Local Security Authority, played for one password: loads a password
// filter library, calls InitializeChangeNotify, then PasswordFilter, and
// answers with its exit status. Its interface is that of a Samba AD domain
// controller's "check password script": the password on standard input,
// exactly as sent, and the names in SAMBA_CPS_ACCOUNT_NAME and
// SAMBA_CPS_FULL_NAME, so the same filter can guard a real domain.
//
//   lsa_filter_host [library]     (default: libMorrowen.so beside this program)
//   exit 0: accepted, 1: rejected, 2: could not run.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/lsa/ntsecapi.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

constexpr int kAccepted = 0;
constexpr int kRejected = 1;
constexpr int kCouldNotRun = 2;
// A counted string holds at most 65534 bytes.
constexpr std::size_t kMaxUnits = 32767;
// More than any password the LSA could pass; reading stops there.
constexpr std::size_t kMaxInput = 4 * kMaxUnits + 1;

using InitializeChangeNotifyFn = BOOLEAN (*)();
using PasswordFilterFn = BOOLEAN (*)(PUNICODE_STRING, PUNICODE_STRING, PUNICODE_STRING, BOOLEAN);

int Fail(const std::string& why) {
  std::fprintf(stderr, "lsa_filter_host: %s\n", why.c_str());
  return kCouldNotRun;
}

std::string DefaultLibrary() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "libMorrowen.so";
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "libMorrowen.so";
}

bool ReadInput(std::string& input) {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    input.append(chunk, static_cast<std::size_t>(n));
    WipeBytes(chunk, sizeof chunk);
    if (input.size() > kMaxInput) return false;
  }
}

std::u16string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? Utf8ToUtf16(value) : std::u16string();
}

UNICODE_STRING Counted(std::u16string& text) {
  const auto bytes = static_cast<USHORT>(text.size() * sizeof(char16_t));
  return UNICODE_STRING{bytes, bytes, text.data()};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string library = argc > 1 ? argv[1] : DefaultLibrary();

  std::string input;
  CWipeOnExit wipeInput(input);
  if (!ReadInput(input)) return Fail("cannot read the password from standard input");
  std::u16string password = Utf8ToUtf16(input);
  CWipeOnExit wipePassword(password);
  std::u16string account = EnvironmentText("SAMBA_CPS_ACCOUNT_NAME");
  std::u16string fullName = EnvironmentText("SAMBA_CPS_FULL_NAME");
  if (password.size() > kMaxUnits || account.size() > kMaxUnits || fullName.size() > kMaxUnits)
    return Fail("a text is longer than a counted string can hold");

  // The LSA never unloads a filter package; kept mapped, the filter's
  // libraries also stay nameable in a leak report at exit.
  void* module = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) return Fail(std::string("cannot load the filter: ") + ::dlerror());
  auto initialize = reinterpret_cast<InitializeChangeNotifyFn>(::dlsym(module, "InitializeChangeNotify"));
  auto filter = reinterpret_cast<PasswordFilterFn>(::dlsym(module, "PasswordFilter"));
  if (initialize == nullptr || filter == nullptr) {
    ::dlclose(module);
    return Fail("the library is not a password filter");
  }
  if (!initialize()) {
    ::dlclose(module);
    return Fail("the filter refused to initialise");
  }

  UNICODE_STRING accountString = Counted(account);
  UNICODE_STRING fullNameString = Counted(fullName);
  UNICODE_STRING passwordString = Counted(password);
  const BOOLEAN accepted = filter(&accountString, &fullNameString, &passwordString, TRUE);
  ::dlclose(module);
  return accepted ? kAccepted : kRejected;
}
