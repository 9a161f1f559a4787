// A CA of the test's own, made by the openssl command, as the trust store.
#include "tests/support/foreign_trust.h"

#include <cstdlib>
#include <fstream>

CForeignTrust::CForeignTrust(const std::string& folder, Kind kind) {
  if (const char* saved = std::getenv("LDAPTLS_CACERT")) m_saved = saved;
  if (kind == Kind::kEmptyFile) {
    file = folder + "/empty-ca.pem";
    made = static_cast<bool>(std::ofstream(file, std::ios::binary | std::ios::trunc));
  } else {
    file = folder + "/foreign-ca.pem";
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                                "-subj /CN=Foreign -keyout '" + folder + "/foreign-ca.key' -out '" + file +
                                "' >/dev/null 2>&1";
    made = std::system(command.c_str()) == 0;
  }
  ::setenv("LDAPTLS_CACERT", file.c_str(), 1);
}

CForeignTrust::~CForeignTrust() {
  if (m_saved.has_value()) ::setenv("LDAPTLS_CACERT", m_saved->c_str(), 1);
  else ::unsetenv("LDAPTLS_CACERT");
}
