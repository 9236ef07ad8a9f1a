#include <openssl/evp.h>

#include <cstdio>

#include "tests/servers/peers.h"

namespace kvtest {

std::string Sha256Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof(pair), "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

}  // namespace kvtest
