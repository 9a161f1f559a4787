// A trust store that holds nothing the fixture DC shows, for the programs a
// test starts while the object lives: LDAPTLS_CACERT names a CA of the
// test's own (one that signed nothing of the DC's) or an empty file, and is
// put back when the object goes. libldap reads its trust once per process,
// so only programs started meanwhile see it.
#pragma once

#include <optional>
#include <string>

class CForeignTrust {
 public:
  enum class Kind {
    kOtherCa,    // a CA of the test's own
    kEmptyFile,  // a file that holds no certificate at all
  };
  // The file is made in `folder`.
  CForeignTrust(const std::string& folder, Kind kind = Kind::kOtherCa);
  ~CForeignTrust();
  CForeignTrust(const CForeignTrust&) = delete;
  CForeignTrust& operator=(const CForeignTrust&) = delete;

  // Whether the file was made.
  bool made = false;
  // The file LDAPTLS_CACERT names now.
  std::string file;

 private:
  std::optional<std::string> m_saved;
};
