// libFuzzer target: the token file beside the program ("Pellucor.cfg"), read
// as the server reads it, and the port taken from it. Input: the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "RemoteSvr/config_map.h"
#include "RemoteSvr/log_file.h"
#include "tests/fuzz/scratch_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const CScratchDirectory folder;
  LogFile().debugLevel = 9;  // the trace lines are formatted (nothing is open to write them to)
  folder.Write("Pellucor.cfg", std::string_view(reinterpret_cast<const char*>(data), size));

  CConfigMap map;
  if (map.LoadFor(folder.File("Pellucor")) != 1) __builtin_trap();
  map.GetValue("PORT", "7257");
  const std::int32_t port = map.GetPort();
  if (port < 1 || port > 65535) __builtin_trap();
  return 0;
}
