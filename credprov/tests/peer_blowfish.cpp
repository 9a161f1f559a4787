// The peer's Blowfish and message key, apart from the client's cipher
// context. Compiled with OPENSSL_API_COMPAT for the deprecated Blowfish
// calls.
#include <openssl/blowfish.h>

#include <algorithm>

#include "credprov/tests/typed_peer.h"
#include "platform/base/wipe.h"

std::string PeerBlowfishCbc(const std::string& key, const std::string& iv, const std::string& data, bool encipher) {
  BF_KEY schedule;
  BF_set_key(&schedule, static_cast<int>(std::min<std::size_t>(key.size(), 72)),
             reinterpret_cast<const unsigned char*>(key.data()));
  unsigned char chain[8];
  std::copy_n(iv.data(), 8, chain);
  std::string out(data.size(), '\0');
  BF_cbc_encrypt(reinterpret_cast<const unsigned char*>(data.data()), reinterpret_cast<unsigned char*>(out.data()),
                 static_cast<long>(data.size()), &schedule, chain, encipher ? BF_ENCRYPT : BF_DECRYPT);
  WipeBytes(&schedule, sizeof(schedule));
  return out;
}

std::string PeerMessageKey(std::uint16_t counter, std::uint32_t totalLength, const std::string& sessionKey) {
  return Word16(counter) + Word32(totalLength) + sessionKey;
}
