// The peers as the Windows test programs see them: Linux processes started outside Wine by
// tests/servers/kvtest_peers_posix.cpp (./run test windows does it), which hands their ports and
// folder over in KVTEST_PEER_* environment variables. Wine shows the Linux file system as Z:.
#include <cstdlib>
#include <stdexcept>

#include "tests/servers/peers.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace kvtest {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) {
    throw std::runtime_error(std::string(name) +
                             " is not set: the Windows tests reach the peers that"
                             " kvtest_peers starts on the Linux side (./run test windows)");
  }
  return value;
}

int Port(const char* name) { return std::atoi(Variable(name).c_str()); }

// A Linux path as Wine's Windows programs name it.
std::filesystem::path FromLinux(const std::string& path) {
  return std::filesystem::u8path("Z:" + path);
}

}  // namespace

struct peers::state {
  std::filesystem::path folder = FromLinux(Variable("KVTEST_PEER_FOLDER"));
  std::filesystem::path ca_file = folder / "ca.pem";
  std::string big = ReadFile(folder / "www" / "big.bin");
  std::string big_digest = Sha256Hex(big);
};

peers& peers::Get() {
  static peers instance;
  return instance;
}

peers::peers() : state_(std::make_unique<state>()) {
  SetEnvironment("SSL_CERT_FILE", state_->ca_file.u8string());
}
peers::~peers() = default;

int peers::HttpPort() { return Port("KVTEST_PEER_HTTP_PORT"); }
int peers::HttpsPort() { return Port("KVTEST_PEER_HTTPS_PORT"); }
const std::filesystem::path& peers::CaFile() { return state_->ca_file; }
const std::string& peers::BigFile() { return state_->big; }
const std::string& peers::BigDigest() { return state_->big_digest; }
int peers::TinyproxyPort() { return Port("KVTEST_PEER_TINYPROXY_PORT"); }
int peers::TinyproxyAuthPort() { return Port("KVTEST_PEER_TINYPROXY_AUTH_PORT"); }
int peers::DantePort() { return Port("KVTEST_PEER_DANTE_PORT"); }
int peers::MicrosocksPort() { return Port("KVTEST_PEER_MICROSOCKS_PORT"); }

}  // namespace kvtest
